// vkupdate update against copies of the lab example: whole runs compared with expected
// outputs, what the target holds afterwards, faults of the target, --verify, interruptions,
// a second updater, and the stages as --events json lines.
#include <signal.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "e2e_fixture.h"

namespace {

namespace fs = std::filesystem;

const Env kQuickTime = {{"VK_SIM_TIME_SCALE", "0.001"}};
// Slow enough that a test can act while an update runs: a pass takes a second or more.
const Env kSlowTime = {{"VK_SIM_TIME_SCALE", "0.3"}};
const std::string kUpdate = kLab + "--firmware $TMP/fw update";
const std::string kVerify = kLab + "--firmware $TMP/fw --silent --verify update";

TEST_F(E2eTest, TheLabExampleIsUpToDateAfterTwoRunsWithARestartBetween) {
    completeFirmware();
    expectRun({kUpdate, "lab_update", 0}, kQuickTime);
    const Json firmware = target("lab-rtpc")[Json::json_pointer("/inventory/0/items/2")];
    ASSERT_EQ(firmware["id"], "FIRMWARE");  // of the processing unit
    EXPECT_EQ(firmware["params"]["VERSION"], "5.0") << firmware.dump();
    EXPECT_TRUE(std::regex_search(firmware["params"]["VERSION_HISTORY"].get<std::string>(),
                                  std::regex(R"(\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d 5\.0$)")));
    EXPECT_TRUE(fs::exists(targetFile("lab-rtpc/cfdrive/boot/vkx86_32_boot.bin")));
    EXPECT_TRUE(fs::exists(targetFile("lab-rtpc/cfdrive/vk9108_bus.bit")));
    EXPECT_TRUE(fs::is_empty(targetFile("lab-rtpc/staging"))) << "transferred copies are removed";
    // After a restart the new firmware reports the plug-in boards and I/O nodes for update.
    for (const char* name : {"lab_update_second_run", "lab_update_nothing_left"}) {
        ASSERT_EQ(run(kLab + "reboot").status, 0);
        expectRun({kUpdate, name, 0}, kQuickTime);
    }
}

// Faults of the target are reported per board and fail the run; --verify confirms an update
// that installed every selected file, and names each one that is not installed (an image
// that is not the version its description names installs another version).
TEST_F(E2eTest, UpdateRuns) {
    auto fault = [&](const char* call, const char* match) {
        return [this, call, match] {
            setInTarget("lab-rtpc", "/faults/-", {{"call", call}, {"match", match}});
        };
    };
    expectRuns(
        {
            {kUpdate, "lab_update_transfer_fault", 1, "",
             fault("transferFile", "vk7120_firmware_5.4.1.vkim")},
            {kUpdate, "lab_update_start_fault", 1, "", fault("update", "104871")},
            {kUpdate, "lab_update_status_fault", 1, "",
             [&] {
                 setInTarget("lab-rtpc", "/faults/-",
                             {{"call", "updateStatus"}, {"match", "104233"}, {"status", 0}});
             }},
            {kUpdate, "lab_update_put_fault", 1, "", fault("putFileU", "vk9108_bus_1.3.bit")},
            {kUpdate, "lab_update_rename_fault", 1, "",
             fault("renameFile", "boot/vkx86_32_boot.bin")},
            {kVerify, "lab_update_verified", 0, "lab_update_verified.stderr"},
            {kVerify, "lab_update_verify_failed", 1, "",
             [&] { makeImage("fw/vk7120_firmware_5.4.1.vkim", "5.4.0"); }},
        },
        [&] { completeFirmware(); }, kQuickTime);
}

// SIGKILL ends the updater at once; SIGTERM and SIGINT let it say that the target may be
// partly updated. Either way the next run finishes the update.
TEST_F(E2eTest, AnInterruptedUpdateIsFinishedByRunningItAgain) {
    const std::tuple<int, int, bool> rows[] = {
        {SIGKILL, -1, false}, {SIGTERM, 143, true}, {SIGINT, 130, true}};
    for (const auto& [signal, status, notice] : rows) {
        SCOPED_TRACE(signal);
        fresh();
        completeFirmware();
        const RunningProcess first = start(kUpdate, tmp() + "/first", kSlowTime);
        ASSERT_TRUE(waitForOutput(first, "Updating:"));
        ::kill(first.pid, signal);
        int ended = 0;
        const ProcessResult stopped = finishProcess(first, 60, &ended);
        EXPECT_EQ(stopped.status, status);
        EXPECT_EQ(ended, notice ? 0 : signal);
        EXPECT_EQ(stopped.err, notice ? "\nvkupdate: interrupted during the update; the target "
                                        "may be partly updated.\nRun the same command again to "
                                        "finish the update.\n"
                                      : "");
        const ProcessResult rerun = run(kVerify, kQuickTime);
        EXPECT_EQ(rerun.status, 0) << rerun.out << rerun.err;
    }
}

TEST_F(E2eTest, ASecondUpdaterIsRefusedWhileTheFirstUpdates) {
    completeFirmware();
    const RunningProcess first = start(kUpdate, tmp() + "/first", kSlowTime);
    ASSERT_TRUE(waitForOutput(first, "Updating:"));
    expectRun({kUpdate, "lab_update_locked", 1}, kQuickTime);
    EXPECT_EQ(finishProcess(first).status, 0);
}

// The firmware manager's update: the stages and their progress as JSON lines, the board
// labels (written straight to the console) on standard error.
TEST_F(E2eTest, UpdateSendsItsStagesAsJsonLines) {
    const ProcessResult result =
        run(kCompact + "--firmware " + kExampleFirmware + " --events json update", kQuickTime);
    EXPECT_EQ(result.status, 0) << result.err;
    std::map<int, size_t> counts;
    std::istringstream lines(result.out);
    Json last, beforeLast;
    for (std::string line; std::getline(lines, line);) {
        beforeLast = last;
        last = Json::parse(line, nullptr, false);
        ASSERT_TRUE(last.is_object() && last.contains("event")) << line;
        ++counts[last["event"].get<int>()];
    }
    EXPECT_EQ(counts[1], 1u);
    EXPECT_EQ(counts[0], counts[10]);
    EXPECT_GT(counts[25], 0u);
    EXPECT_EQ(beforeLast["event"], 35);
    EXPECT_EQ(last, Json::parse(R"({"event":11,"result":0})"));
    EXPECT_NE(result.err.find(", SN: "), std::string::npos) << result.err;
}

}  // namespace
