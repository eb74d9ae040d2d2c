#pragma once
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/process_runner.h"

// A temporary folder per test with a targets folder in it, into which example targets are
// copied; runs of the built vkupdate; comparison with the expected files.
//
// Setting VK_E2E_REGENERATE=1 writes the actual outputs as the expected files instead of
// comparing; such files must be read and checked line by line before they are kept.
class VkupdateE2eTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& tempFolder() const { return temp_; }
    std::string targetsFolder() const { return temp_ + "/targets"; }
    // Copies examples/targets/<name> into the targets folder; returns the copy's path.
    std::string copyExampleTarget(const std::string& name);

    nlohmann::json readTargetJson(const std::string& name) const;
    void writeTargetJson(const std::string& name, const nlohmann::json& doc) const;

    // Runs vkupdate with args ("$TMP" in an argument stands for the temporary folder) and
    // with VK_SIM_TARGETS unset unless extraEnv sets it.
    ProcessResult run(const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& extraEnv = {});

    // Expects the exit status, and standard output equal to expected/<name>.stdout; with
    // compareStderr also standard error equal to expected/<name>.stderr. The temporary
    // folder's path appears as "$TMP" in the expected files.
    void expectRun(const ProcessResult& result, const std::string& name, int status,
                   bool compareStderr = false);

    std::string normalised(const std::string& text) const;

  private:
    void expectFile(const std::string& actual, const std::string& fileName);

    std::string temp_;
};

std::string readFileText(const std::string& path);
void writeFileText(const std::string& path, const std::string& text);
