#include "driver/update_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "inventory/run_fixture.h"
#include "reporting/format.h"
#include "update/plan_query.h"
#include "update/sim_target.h"
#include "utf8_conversion.h"

namespace {

using namespace planning_test;

// The debugger output channel writes to standard error only when asked to, decided once.
const bool kDebugOutputOn = ::setenv("VK_DEBUG_OUTPUT", "1", 1) == 0;

class UpdatePathTest : public PlanningTest {
  protected:
    void SetUp() override {
        PlanningTest::SetUp();
        ASSERT_TRUE(kDebugOutputOn);
        // Board 0 (VK7101) matches file 0; board 1 (VK7102) matches nothing.
        UpdateFileRecord f = makeFile("VK7101", 1, L"user.bin");
        f.UpdatePass = 1;
        setCatalogue({f});
        addBoard("VK7101", 10);
        addBoard("VK7102", 20);
    }

    int32_t manager(VkTCmdOptions options) {
        options.fwMgrMode = true;
        moduleState().outputToHost = true;
        recordEvents();
        int32_t result = -99;
        output = captureStdout([&] {
            result = runManagerPath(pool, options, nullptr, nullptr, table, VkCVersion("5.1"));
        });
        return result;
    }

    int32_t console(VkTCmdOptions options) {
        int32_t result = -99;
        output = captureStdout([&] {
            result = runConsolePath(pool, options, nullptr, nullptr, table, VkCVersion("5.1"));
        });
        return result;
    }

    static std::vector<std::string> hostTexts() {
        std::vector<std::string> texts;
        for (const ReceivedEvent& e : receivedEvents()) {
            if (e.record.eventCode == 35) {
                texts.push_back(e.text);
            }
        }
        return texts;
    }

    VkCErrorListPool pool;
    std::string output;
};

// --- Firmware-manager sequence ---------------------------------------------------------------

TEST_F(UpdatePathTest, VersionReportSendsItsEventsInOrder) {
    VkTCmdOptions options;
    options.printVersions = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager(options), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "... FWMGR PRINT VERSIONS\n");
    EXPECT_EQ(eventData(),
              (std::vector<EventData>{
                  {19, 0, 0}, {18, 0, 0}, {20, 0, 0}, {19, 1, 0}, {3, 0, 0}, {2, 0, 0}}));
    EXPECT_EQ(output, "");
    EXPECT_EQ(table[0].matchCount, 1u);
}

TEST_F(UpdatePathTest, VersionReportOfIncompatibleFirmwareStillEndsWithEvents3And2) {
    file(0).FwCompabilityId = 1;
    table[0].fwType = 4;
    table[0].hasUpdateInfo = true;
    table[0].systemClass = 0x20001;
    table[0].productVersion = VkCVersion("2.0");
    VkTCmdOptions options;
    options.printVersions = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager(options), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(eventCodes(), (std::vector<uint32_t>{19, 18, 20, 19, 35, 9, 35, 3, 2}));
    ASSERT_EQ(hostTexts().size(), 2u);
    EXPECT_EQ(hostTexts()[1],
              "ERROR: Cannot update the target device. One or more boards\n"
              "       are not compatible with firmware version 5.1.\n");
}

// Without a root handle the target cannot be locked: the sequence opens (event 1) and ends
// with result 1 and nothing printed.
TEST_F(UpdatePathTest, ManagerUpdateHandsOverToTheUpdateSequence) {
    VkTCmdOptions options;
    options.mode = Update;
    EXPECT_EQ(manager(options), 1);
    EXPECT_EQ(moduleState().remoteFileHandles.size(), 1u);
    EXPECT_EQ(eventCodes(), (std::vector<uint32_t>{19, 18, 20, 19, 1}));
}

TEST_F(UpdatePathTest, RemoteFileHandlesAreMadeOnlyForUpdate) {
    VkTCmdOptions options;
    options.mode = ShowPlan;
    options.skipInstalledCheck = true;
    EXPECT_EQ(console(options), 0);
    EXPECT_TRUE(moduleState().remoteFileHandles.empty());
    options.mode = Update;
    EXPECT_EQ(console(options), 1);
    EXPECT_EQ(moduleState().remoteFileHandles.size(), 1u);
}

// --- Console sequence ------------------------------------------------------------------------

TEST_F(UpdatePathTest, ShowPlanPrintsThePlanAndReturns0) {
    VkTCmdOptions options;
    options.mode = ShowPlan;
    options.skipInstalledCheck = true;
    rememberUpdatePlan(UpdatePlan());
    EXPECT_EQ(console(options), 0);
    EXPECT_EQ(output,
              "\n"
              "Board               Selected FW Type          Version        Update sequence\n"
              "----------------------------------------------------------------------------\n"
              "VK7101   (      10) Y        Firmware         1.0            1\n");
    ASSERT_TRUE(lastUpdatePlan().present);
    EXPECT_EQ(lastUpdatePlan().boards.size(), 2u);
}

TEST_F(UpdatePathTest, ConsoleUpdateKeepsItsPlanAndHandsOverToTheUpdateSequence) {
    VkTCmdOptions options;
    options.mode = Update;
    options.skipInstalledCheck = true;
    rememberUpdatePlan(UpdatePlan());
    EXPECT_EQ(console(options), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(pool.getErrorCount(), 1u);
    ASSERT_NE(GetLastUpdatePlan(), nullptr);
    ASSERT_EQ(lastUpdatePlan().boards.size(), 2u);
    ASSERT_EQ(lastUpdatePlan().boards[0].matches.size(), 1u);
    EXPECT_EQ(lastUpdatePlan().boards[0].matches[0].decision, PlanDecision::Install);
}

TEST_F(UpdatePathTest, OtherModesSkipMatchingAndCompatibility) {
    VkTCmdOptions options;
    options.mode = 3;
    options.skipInstalledCheck = true;
    recordEvents();
    EXPECT_EQ(console(options), 1);
    EXPECT_EQ(table[0].matchCount, 0u);
    EXPECT_EQ(eventCodes(), std::vector<uint32_t>{1});
}

TEST_F(UpdatePathTest, VerboseTracesTheStepsAndTheDevicesToUpdate) {
    UpdateFileRecord inactive = makeFile("VK7101", 3, L"fpga\\user.bit");
    inactive.IsSelected = false;
    setCatalogue({file(0), inactive});
    table.clear();
    addBoard("VK7101", 10);
    addBoard("VK7101", 11);
    moduleState().verboseOutput = true;
    VkTCmdOptions options;
    options.mode = Update;
    options.skipInstalledCheck = true;
    options.serialNumbers = "10";
    EXPECT_EQ(console(options), 1);
    const std::string devices =
        "The following devices will be updated:\n"
        "IOROUTER[4] (VK7101):\n"
        "    user.bin (active, not installed)\n"
        "    fpga\\user.bit (inactive, not installed)\n"
        "update...\n";
    ASSERT_GE(output.size(), devices.size()) << output;
    EXPECT_EQ(output.substr(output.size() - devices.size()), devices) << output;
    EXPECT_EQ(output.find("checkVersions"), std::string::npos);
}

TEST_F(UpdatePathTest, IncompatibleFirmwareEndsAConsoleRun) {
    file(0).FwCompabilityId = 1;
    table[0].fwType = 4;
    table[0].hasUpdateInfo = true;
    table[0].systemClass = 0x20001;
    VkTCmdOptions options;
    options.mode = ShowPlan;
    EXPECT_EXIT(
        {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
            runConsolePath(pool, options, nullptr, nullptr, table, VkCVersion("5.1"));
        },
        ::testing::ExitedWithCode(1),
        "ERROR: Cannot update the target device\\. One or more boards\n"
        "       are not compatible with firmware version 5\\.1\\.\n");
}

// --- With the installed-file comparison ------------------------------------------------------

TEST_F(UpdatePathTest, PlanLeavesOutWhatTheTargetAlreadyHas) {
    ScratchFolder scratch;
    SimTarget target(scratch, "planpath", "[]");
    ASSERT_NE(target.device(), nullptr) << target.searchProblem();
    const std::vector<char> image = patternBytes(4000, 3);
    scratch.write("firmware/bus.rbf", image);
    scratch.write("targets/planpath/cfdrive/bus.rbf", image);
    UpdateFileRecord user = makeFile("VK7101", 1, L"user.bin");
    user.Version = VkCVersion("2.0");
    user.Crc32Checksum = 0x1234;
    UpdateFileRecord bus = makeFile("VK7102", 3, L"bus.rbf");
    bus.IsBusFpga = true;
    bus.TypeName = "FPGA file";
    bus.TargetFileName = "bus.rbf";
    bus.UpdatePass = 3;
    setCatalogue({user, bus});
    table.clear();
    BoardRecord& board = addBoard("VK7101", 10);
    board.isPcPlatform = true;
    board.installedVersion(1) = VkCVersion("2.0");
    board.installedChecksum(1) = 0x1234;
    VkTCmdOptions options;
    options.mode = ShowPlan;
    options.firmwareFolder = utf8ToWide(scratch.file("firmware"));
    moduleState().verboseOutput = true;
    int32_t result = -1;
    output = captureStdout([&] {
        result = runConsolePath(pool, options, nullptr, target.device(), table, VkCVersion("5.1"));
    });
    EXPECT_EQ(result, 0);
    const std::vector<std::string> inOrder = {
        "checkVersions...\n",
        "[VK7101] ROOT/IOROUTER[4]: Firmware: version equal, checksum equal\n",
        "[VK7101] ROOT/IOROUTER[4]: FPGA file: version differs, checksum differs\n",
        "OK!\n",
        "checkBusFpgaFiles...\n",
        "INFO: File bus.rbf is already installed on real-time system and needs not be written!\n",
        "OK!\n",
        "The following devices will be updated:\n",
        "IOROUTER[4] (VK7101):\n",
        "    user.bin (active, installed)\n",
        "    bus.rbf (active, installed)\n",
        "\nUpdate not required:\n",
        "        SN: 10 (VK7101), Type: Firmware\n",
        "        SN: 10 (VK7101), Type: FPGA file (bus.rbf)\n",
        "VK7101   (      10) Y        Firmware         2.0            -\n",
        "VK7101   (      10) Y        FPGA file        1.0            -\n",
    };
    size_t at = 0;
    for (const std::string& line : inOrder) {
        const size_t found = output.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << output;
        at = found + line.size();
    }
    EXPECT_EQ(pool.getErrorCount(), 0u);
}

// --- Warnings about boards without user firmware ---------------------------------------------

struct WarningCase {
    const char* name;
    uint8_t activeFirmware;
    uint8_t activeFpga;
    bool updateFirmware;
    bool updateFpgaFirmware;
    bool selected;
    bool firmwareWarning;
    bool fpgaWarning;
};

class UserFirmwareWarnings : public UpdatePathTest,
                             public ::testing::WithParamInterface<WarningCase> {};

const char* const kFirmwareWarning =
    "\nWARNING: Device VK7102 [SN: 20] has no user firmware installed.\n"
    "It's recommended to update this device!\n";
const char* const kFpgaWarning =
    "\nWARNING: Device VK7102 [SN: 20] has no user FPGA firmware installed.\n"
    "It's recommended to update this device!\n";

TEST_P(UserFirmwareWarnings, WarnUnlessTheRunUpdatesThatPart) {
    const WarningCase c = GetParam();
    table[1].activeFirmware = c.activeFirmware;
    table[1].activeFpga = c.activeFpga;
    VkTCmdOptions options;
    options.mode = ShowPlan;
    options.skipInstalledCheck = true;
    options.updateFirmware = c.updateFirmware;
    options.updateFpgaFirmware = c.updateFpgaFirmware;
    options.serialNumbers = c.selected ? "10 20" : "10";
    EXPECT_EQ(console(options), 0);
    const std::string expected = std::string(c.firmwareWarning ? kFirmwareWarning : "") +
                                 (c.fpgaWarning ? kFpgaWarning : "") + "\nBoard ";
    EXPECT_EQ(output.substr(0, expected.size()), expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserFirmwareWarnings,
    ::testing::Values(WarningCase{"user firmware present", 1, 1, false, false, true, false, false},
                      WarningCase{"no user firmware", 2, 1, false, false, true, true, false},
                      WarningCase{"no user FPGA", 1, 3, false, false, true, false, true},
                      WarningCase{"both missing", 2, 2, false, false, true, true, true},
                      WarningCase{"firmware updated", 2, 2, true, false, true, false, true},
                      WarningCase{"FPGA updated", 2, 2, false, true, true, true, false},
                      WarningCase{"both updated", 2, 2, true, true, true, false, false},
                      WarningCase{"updated but not selected", 2, 2, true, true, false, true,
                                  true}));

TEST_F(UpdatePathTest, WarningsGoToTheHostInManagerOutput) {
    table[1].activeFirmware = 2;
    moduleState().outputToHost = true;
    recordEvents();
    VkTCmdOptions options;
    options.mode = ShowPlan;
    options.skipInstalledCheck = true;
    EXPECT_EQ(console(options), 0);
    EXPECT_EQ(output, "");
    ASSERT_FALSE(hostTexts().empty());
    EXPECT_EQ(hostTexts()[0], kFirmwareWarning);
}

}  // namespace
