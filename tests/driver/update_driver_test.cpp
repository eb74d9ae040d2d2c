#include <gtest/gtest.h>

#include <string>

#include "VkTalveronUpdateLib.h"
#include "driver/console_input.h"
#include "driver/sim_targets.h"
#include "inventory/host_event_recorder.h"
#include "reporting/output_mode.h"

namespace {

using Json = SimTargets::Json;

// A processing unit with firmware and FPGA versions and histories, and an I/O node that has
// only its CN firmware.
Json labInventory() {
    Json pc = SimTargets::board("HCN", "VKx86_32", 4711, 0x20001, {{"NAME", "TALVERON RT PC"}});
    pc["params"] = {{"ACTIVE_FIRMWARE", 1}, {"ACTIVE_FPGA", 1}};
    pc["items"].push_back(SimTargets::part("FIRMWARE", "5.2", "5.2: reboot support"));
    pc["items"].push_back(SimTargets::part("FPGAFIRMWARE", "5.1"));
    Json node = SimTargets::board("ION", "VK3001", 12, 0x40001, {{"NAME", "I/O node"}});
    node["items"].push_back(SimTargets::part("CNFIRMWARE", "2.0", "2.0: first"));
    return Json::array({pc, node});
}

const char* const kBoards =
    "\nConnected boards:\n\n"
    "Board: TALVERON RT PC SN: 4711 (VKx86_32)\n"
    "  Firmware version:            5.2\n"
    "  FPGA version:                5.1\n"
    "\n"
    "Board: I/O node SN: 12 (VK3001)\n"
    "  CN firmware version:         2.0\n"
    "  WARNING: No user IPL installed!\n"
    "  WARNING: No CN IPL installed!\n"
    "  WARNING: No CN CPU configuration installed!\n"
    "\n";

const char* const kSeparator = "--------------------------------------------------------\n";

class UpdateDriver : public ConsoleOutputTest {
  protected:
    void addLab(const Json& faults = Json::array()) {
        Json target = SimTargets::target("lab", "192.168.0.10", labInventory());
        target["faults"] = faults;
        targets_.add("lab", target);
    }
    static VkTCmdOptions optionsFor(uint32_t mode) {
        VkTCmdOptions options;
        options.mode = mode;
        options.systemName = "lab";
        return options;
    }
    int32_t run(const VkTCmdOptions& options) {
        testing::internal::CaptureStdout();
        const int32_t result = VkSmartUpdateTool(pool_, options);
        printed_ = testing::internal::GetCapturedStdout();
        return result;
    }

    SimTargets targets_;
    VkCErrorListPool pool_;
    std::string printed_;
};

TEST_F(UpdateDriver, ShowBoardsListsEveryBoard) {
    addLab();
    EXPECT_EQ(run(optionsFor(ShowBoards)), 0);
    EXPECT_EQ(printed_, kBoards);
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(UpdateDriver, ShowVersionHistoryListsTheHistories) {
    addLab();
    EXPECT_EQ(run(optionsFor(ShowVersionHistory)), 0);
    EXPECT_EQ(printed_,
              std::string("\nFW Version History of Device VKx86_32 [SN: 4711]:\n") + kSeparator +
                  "5.2: reboot support\n\n" + "\nIPL Version History of Device VK3001 [SN: 12]:\n" +
                  kSeparator + "\n\n" + "\nCN FW Version History of Device VK3001 [SN: 12]:\n" +
                  kSeparator + "2.0: first\n\n" +
                  "\nCN IPL Version History of Device VK3001 [SN: 12]:\n" + kSeparator + "\n\n" +
                  "\nCN CPU Configuration Version History of Device VK3001 [SN: 12]:\n" +
                  kSeparator + "\n\n");
}

TEST_F(UpdateDriver, TypePresentButSerialOfAnotherBoardPassesBothChecks) {
    addLab();
    VkTCmdOptions options = optionsFor(ShowBoards);
    options.boardType = "VK3001";
    options.serialNumbers = "4711";
    EXPECT_EQ(run(options), 0);
    EXPECT_EQ(printed_, "\nConnected boards:\n\n");
}

TEST_F(UpdateDriver, VerboseListsTheBoardsFound) {
    addLab();
    VkTCmdOptions options = optionsFor(ShowBoards);
    options.verbose = true;
    EXPECT_EQ(run(options), 0);
    const std::string listing =
        "  OK\nThe following updatable boards have been found:\n4711 (VKx86_32): ROOT/HCN\n"
        "12 (VK3001): ROOT/ION\n\nConnected boards:";
    EXPECT_NE(printed_.find(listing), std::string::npos) << printed_;
}

TEST_F(UpdateDriver, RebootResetsTheTarget) {
    addLab();
    EXPECT_EQ(run(optionsFor(Reboot)), 0);
    EXPECT_EQ(printed_, "\nTarget system is being rebooted...\n");
    EXPECT_EQ(targets_.read("lab").value("rebootCount", 0), 1);
}

TEST_F(UpdateDriver, RebootInManagerModeSendsNoEvent11) {
    addLab();
    HostEventRecorder recorder;
    VkTCmdOptions options = optionsFor(Reboot);
    options.fwMgrMode = true;
    EXPECT_EQ(run(options), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(HostEventRecorder::codes(), std::vector<uint32_t>{35});
    EXPECT_EQ(HostEventRecorder::messages(), "\nTarget system is being rebooted...\n");
}

TEST_F(UpdateDriver, FailedResetGivesResultOneWithTheErrors) {
    addLab(Json::array({SimTargets::fault("resetDevice")}));
    EXPECT_EQ(run(optionsFor(Reboot)), 1);
    EXPECT_EQ(
        printed_.find("\nTarget system is being rebooted...\n\nReported errors:\n       ERROR "),
        0u)
        << printed_;
}

TEST_F(UpdateDriver, ErrorsLeftAtTheEndTurnTheResultIntoOne) {
    addLab(Json::array({SimTargets::fault("deleteRootHandle")}));
    EXPECT_EQ(run(optionsFor(ShowBoards)), 1);
    EXPECT_EQ(printed_.find(std::string(kBoards) + "\nReported errors:\n       ERROR "), 0u)
        << printed_;
}

TEST_F(UpdateDriver, ErrorsTheHostLeftInThePoolCountToo) {
    addLab();
    pool_.setError(0x77, 0, "Left over.", 0, 1, "test", "");
    EXPECT_EQ(run(optionsFor(ShowBoards)), 1);
    EXPECT_EQ(printed_, std::string(kBoards) +
                            "\nReported errors:\n       ERROR 0x77 (reported by Host PC):\n"
                            "          Left over.\n");
}

TEST_F(UpdateDriver, DescriptionOnlyManagerRunSendsEvent5Only) {
    HostEventRecorder recorder;
    VkTCmdOptions options = optionsFor(ShowBoards);
    options.fwMgrMode = true;
    options.descriptionOnly = true;
    EXPECT_EQ(run(options), 0);
    EXPECT_EQ(HostEventRecorder::codes(), std::vector<uint32_t>{5});
    EXPECT_EQ(printed_, "");
}

TEST_F(UpdateDriver, DescriptionOnlyManagerRunNeverReboots) {
    addLab();
    HostEventRecorder recorder;
    VkTCmdOptions options = optionsFor(Reboot);
    options.fwMgrMode = true;
    options.descriptionOnly = true;
    EXPECT_EQ(run(options), 0);
    EXPECT_EQ(HostEventRecorder::codes(), std::vector<uint32_t>{5});
    EXPECT_EQ(targets_.read("lab").value("rebootCount", 0), 0);
}

TEST_F(UpdateDriver, ManagerStartUpFailureEndsWithEvent11) {
    addLab(Json::array({SimTargets::fault("scan")}));
    HostEventRecorder recorder;
    VkTCmdOptions options = optionsFor(ShowBoards);
    options.fwMgrMode = true;
    EXPECT_EQ(run(options), 2);
    EXPECT_EQ(printed_, "");
    const auto& events = HostEventRecorder::events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().record.eventCode, 11u);
    EXPECT_EQ(events.back().record.value1, 2u);
    EXPECT_EQ(HostEventRecorder::messages().find("ERROR: Cannot read target device information."),
              0u);
}

TEST_F(UpdateDriver, ConsoleStartUpFailureSendsNoEvent11) {
    addLab(Json::array({SimTargets::fault("scan")}));
    HostEventRecorder recorder;
    EXPECT_EQ(run(optionsFor(ShowBoards)), 1);
    EXPECT_EQ(HostEventRecorder::codes(false), (std::vector<uint32_t>{}));
}

using UpdateDriverDeathTest = UpdateDriver;

void runAndDie(const VkTCmdOptions& options) {
    withStdoutOnStderr([&] {
        VkCErrorListPool pool;
        VkSmartUpdateTool(pool, options);
        std::fprintf(stderr, "the run returned\n");
        std::exit(0);
    });
}

TEST_F(UpdateDriverDeathTest, BoardTypeThatNoBoardHasEndsTheProcess) {
    addLab();
    VkTCmdOptions options = optionsFor(ShowBoards);
    options.boardType = "VK7101";
    EXPECT_EXIT(runAndDie(options), testing::ExitedWithCode(1),
                "^" +
                    literally("ERROR: No VK7101 board is available in the target system.\n"
                              "       Please check if the board is properly connected.\n") +
                    "$");
}

TEST_F(UpdateDriverDeathTest, SerialNumbersThatNameNoBoardEndTheProcess) {
    addLab();
    VkTCmdOptions options = optionsFor(ShowVersionHistory);
    options.serialNumbers = "47, 1";
    EXPECT_EXIT(
        runAndDie(options), testing::ExitedWithCode(1),
        "^" + literally("ERROR: No device matches the specified serial number(s): 47, 1\n") + "$");
}

}  // namespace
