#pragma once
// Runs of the built vkupdate against copies of the example targets in a temporary folder,
// compared with the files in tests/e2e/expected. "$TMP" stands for the temporary folder in
// arguments and expected files. With VK_E2E_REGENERATE=1 the actual outputs are written as
// the expected files instead; read every line of such a file before keeping it.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/process_runner.h"
#include "support/sim_targets.h"

using Json = SimTargets::Json;
using Env = std::map<std::string, std::string>;

// The start of the arguments of a run against one of the example systems.
inline const std::string kLab = "--targets $TMP/targets --system LAB-RTPC-01 ";
inline const std::string kCompact = "--targets $TMP/targets --system RTPC-COMPACT-07 ";
// Where the build puts the example firmware container.
inline const std::string kExampleFirmware = VK_EXAMPLE_FIRMWARE_DIR;

// One run and what it must give.
struct Golden {
    std::string args;  // words separated by blanks; '...' keeps blanks and empty words
    std::string out;   // expected file of standard output
    int status;
    std::string err = "";  // expected file (with its ending) of standard error; "": none
    std::function<void()> setup = nullptr;  // changes the targets or folders before the run
    Env env = {};
};

class E2eTest : public ::testing::Test {
  protected:
    E2eTest() { fresh(); }

    // A new temporary folder with both example targets copied into its targets folder.
    void fresh();
    const TempFolder& temp() const { return sims_->temp(); }
    std::string tmp() const { return temp().path(); }
    std::string targetFile(const std::string& relative) const;
    Json target(const std::string& name) const { return sims_->read(name); }
    // Sets the value at a JSON pointer of a target's document.
    void setInTarget(const std::string& name, const std::string& pointer, const Json& value);
    // Writes a small firmware container into $TMP/<folder>: a description made for
    // libraryVersion with five update files; the FPGA firmware file is missing.
    void writeSmallContainer(const std::string& folder, const std::string& libraryVersion);
    // The example container in $TMP/fw with the file it leaves out on purpose, so that an
    // update of the lab example can succeed.
    void completeFirmware();
    // A simulated firmware image of the version at $TMP/<relative>.
    void makeImage(const std::string& relative, const std::string& version);

    // Runs vkupdate with VK_SIM_TARGETS unset and no simulated delays, unless env says else.
    ProcessResult run(const std::string& args, const Env& env = {});
    RunningProcess start(const std::string& args, const std::string& workFolder, Env env);
    // Runs golden's arguments and compares the outcome with what golden says.
    void expectRun(const Golden& golden, const Env& env = {});
    // Each row on fresh targets: prepare, the row's setup, the run and its comparison.
    void expectRuns(const std::vector<Golden>& rows, const std::function<void()>& prepare,
                    const Env& env = {});
    // The temporary folder as $TMP, without device handle values and progress updates.
    std::string normalised(const std::string& text) const;
    void expectFile(const std::string& actual, const std::string& fileName);

  private:
    std::unique_ptr<SimTargets> sims_;
};
