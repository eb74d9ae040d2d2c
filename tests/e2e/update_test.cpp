// vkupdate update against copies of the example targets: whole runs compared with expected
// outputs, what the target holds afterwards, faults of the target, interruptions and a second
// updater, and --verify.
#include <signal.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

namespace fs = std::filesystem;

nlohmann::json itemWithId(const nlohmann::json& parent, const std::string& id) {
    for (const nlohmann::json& item : parent["items"]) {
        if (item["id"] == id) {
            return item;
        }
    }
    return nlohmann::json();
}

const std::map<std::string, std::string> kQuickTime = {{"VK_SIM_TIME_SCALE", "0.001"}};
// Slow enough that a test can act while an update runs: a pass takes a second or more.
const std::map<std::string, std::string> kSlowTime = {{"VK_SIM_TIME_SCALE", "0.3"}};

// The progress line is rewritten in place as often as the timing allows; only its final
// text (100 %) stays.
ProcessResult withoutProgressLines(ProcessResult result) {
    static const std::regex progress(R"(\d{1,3}% [-\\|/] +\r)");
    result.out = std::regex_replace(result.out, progress, "");
    return result;
}

class UpdateRun : public VkupdateE2eTest {
  protected:
    void SetUp() override {
        VkupdateE2eTest::SetUp();
        copyExampleTarget("lab-rtpc");
        completeFirmware();
    }

    // The example container with the file it leaves out on purpose, so that a run can succeed.
    void completeFirmware() {
        fs::copy(VK_EXAMPLE_FIRMWARE_DIR, tempFolder() + "/fw", fs::copy_options::recursive);
        makeImage("vk4360rt_fpga_2.4.vkim", "2.4");
    }
    void makeImage(const std::string& name, const std::string& version) {
        const ProcessResult made = runProcess(
            VK_SIM_TOOL,
            {"image", "--version", version, "--size", "6144", "-o", tempFolder() + "/fw/" + name},
            tempFolder());
        ASSERT_EQ(made.status, 0) << made.err;
    }
    std::vector<std::string> updateArgs(const std::vector<std::string>& options = {}) const {
        std::vector<std::string> args = {"--targets",   "$TMP/targets", "--system",
                                         "LAB-RTPC-01", "--firmware",   "$TMP/fw"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("update");
        return args;
    }
    ProcessResult update(const std::vector<std::string>& options = {}) {
        return withoutProgressLines(run(updateArgs(options), kQuickTime));
    }
    void reboot() {
        ASSERT_EQ(run({"--targets", "$TMP/targets", "--system", "LAB-RTPC-01", "reboot"}).status,
                  0);
    }
    void addFault(const nlohmann::json& fault) {
        nlohmann::json doc = readTargetJson("lab-rtpc");
        doc["faults"].push_back(fault);
        writeTargetJson("lab-rtpc", doc);
    }
    std::string targetFile(const std::string& relative) const {
        return targetsFolder() + "/lab-rtpc/" + relative;
    }
    RunningProcess startUpdate() {
        return startProcess(VKUPDATE_PATH,
                            {"--targets", targetsFolder(), "--system", "LAB-RTPC-01", "--firmware",
                             tempFolder() + "/fw", "update"},
                            tempFolder() + "/first", kSlowTime);
    }
};

TEST_F(UpdateRun, TheLabExampleIsUpToDateAfterTwoRunsWithARestartBetween) {
    expectRun(update(), "lab_update", 0);
    const nlohmann::json firmware =
        itemWithId(readTargetJson("lab-rtpc")["inventory"][0], "FIRMWARE");
    EXPECT_EQ(firmware["params"]["VERSION"], "5.0") << firmware.dump();
    EXPECT_TRUE(std::regex_search(firmware["params"]["VERSION_HISTORY"].get<std::string>(),
                                  std::regex(R"(\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d 5\.0$)")));
    EXPECT_TRUE(fs::exists(targetFile("cfdrive/boot/vkx86_32_boot.bin")));
    EXPECT_TRUE(fs::exists(targetFile("cfdrive/vk9108_bus.bit")));
    EXPECT_TRUE(fs::is_empty(targetFile("staging"))) << "transferred copies are removed";

    reboot();  // the new firmware reports the plug-in boards and I/O nodes for update
    expectRun(update(), "lab_update_second_run", 0);
    reboot();
    expectRun(update(), "lab_update_nothing_left", 0);
}

struct FaultCase {
    const char* name;  // also expected/<name>.stdout
    const char* fault;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateFaults : public UpdateRun, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(UpdateFaults, AreReportedPerBoardAndFailTheRun) {
    addFault(nlohmann::json::parse(GetParam().fault));
    expectRun(update(), GetParam().name, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Vkupdate, UpdateFaults,
    ::testing::Values(
        FaultCase{"lab_update_transfer_fault",
                  R"({"call": "transferFile", "match": "vk7120_firmware_5.4.1.vkim"})"},
        FaultCase{"lab_update_start_fault", R"({"call": "update", "match": "104871"})"},
        FaultCase{"lab_update_status_fault",
                  R"({"call": "updateStatus", "match": "104233", "status": 0})"},
        FaultCase{"lab_update_put_fault", R"({"call": "putFileU", "match": "vk9108_bus_1.3.bit"})"},
        FaultCase{"lab_update_rename_fault",
                  R"({"call": "renameFile", "match": "boot/vkx86_32_boot.bin"})"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

struct InterruptCase {
    const char* name;
    int signal;
    int status;  // -1: killed
    bool notice;
};

void PrintTo(const InterruptCase& c, std::ostream* os) {
    *os << c.name;
}

class Interrupted : public UpdateRun, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(Interrupted, UpdateIsFinishedByRunningItAgain) {
    const InterruptCase& c = GetParam();
    fs::create_directory(tempFolder() + "/first");
    const RunningProcess first = startUpdate();
    ASSERT_TRUE(waitForOutput(first, "Updating:"));
    ::kill(first.pid, c.signal);
    int signal = 0;
    const ProcessResult stopped = finishProcess(first, 60, &signal);
    EXPECT_EQ(stopped.status, c.status);
    EXPECT_EQ(signal, c.status == -1 ? c.signal : 0);
    EXPECT_EQ(stopped.err, c.notice ? "\nvkupdate: interrupted during the update; the target may "
                                      "be partly updated.\nRun the same command again to finish "
                                      "the update.\n"
                                    : "");

    const ProcessResult rerun = update();
    EXPECT_EQ(rerun.status, 0) << rerun.out;
    EXPECT_NE(rerun.out.find("Update completed successfully!"), std::string::npos) << rerun.out;
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted,
                         ::testing::Values(InterruptCase{"kill", SIGKILL, -1, false},
                                           InterruptCase{"term", SIGTERM, 143, true},
                                           InterruptCase{"interrupt", SIGINT, 130, true}),
                         [](const ::testing::TestParamInfo<InterruptCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(UpdateRun, ASecondUpdaterIsRefusedWhileTheFirstUpdates) {
    fs::create_directory(tempFolder() + "/first");
    const RunningProcess first = startUpdate();
    ASSERT_TRUE(waitForOutput(first, "Updating:"));
    expectRun(update(), "lab_update_locked", 1);
    EXPECT_EQ(finishProcess(first).status, 0);
}

TEST_F(UpdateRun, VerifyConfirmsAnUpdateThatInstalledEverySelectedFile) {
    const ProcessResult result = update({"--silent", "--verify"});
    EXPECT_EQ(result.status, 0) << result.out;
    const std::string verdict = "Verified: every selected file is installed.\n";
    ASSERT_GE(result.out.size(), verdict.size());
    EXPECT_EQ(result.out.substr(result.out.size() - verdict.size()), verdict);
    EXPECT_NE(result.err.find("Update sequence"), std::string::npos) << "the plan goes there";
}

// An image that is not the version its description names installs another version.
TEST_F(UpdateRun, VerifyNamesEachSelectedFileThatIsNotInstalled) {
    makeImage("vk7120_firmware_5.4.1.vkim", "5.4.0");
    const ProcessResult result = update({"--silent", "--verify"});
    EXPECT_EQ(result.status, 1);
    const std::string verdict =
        "Verification failed: 1 selected file is not installed:\n"
        "  VK7120 SN 104871: vk7120_firmware_5.4.1.vkim: installed 5.4, expected 5.4.1\n";
    ASSERT_GE(result.out.size(), verdict.size()) << result.out;
    EXPECT_EQ(result.out.substr(result.out.size() - verdict.size()), verdict);
}

}  // namespace
