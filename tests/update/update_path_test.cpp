// The driver's update path for Update and ShowPlan: the firmware manager's event sequence, the
// console sequence, the installed-file comparison against a simulated target, and the warnings
// about boards without user firmware.
#include "driver/update_path.h"

#include <gmock/gmock.h>
#include <stdlib.h>

#include "support/host_recorder.h"
#include "update/plan_query.h"
#include "update/update_fixture.h"

namespace {

using namespace update_test;
using Codes = std::vector<uint32_t>;

// The debugger output channel writes to standard error only when asked to, decided once.
const bool kDebugOutputOn = ::setenv("VK_DEBUG_OUTPUT", "1", 1) == 0;

class UpdatePath : public RunTablesTest {
  protected:
    // Board 0 (VK7101, SN 10) matches file 0; board 1 (VK7102, SN 20) matches nothing.
    void SetUp() override {
        RunTablesTest::SetUp();
        ASSERT_TRUE(kDebugOutputOn);
        setCatalogue({makeFile("VK7101", 1, L"user.bin")});
        addBoard("VK7101", 10);
        addBoard("VK7102", 20);
    }
    int32_t manager(VkTCmdOptions options) {
        options.fwMgrMode = true;
        moduleState().outputToHost = true;
        return runPath(runManagerPath, options);
    }
    int32_t console(const VkTCmdOptions& options) { return runPath(runConsolePath, options); }
    template <typename Path>
    int32_t runPath(Path path, const VkTCmdOptions& options) {
        auto captured = captureOutput(
            [&] { return path(pool, options, nullptr, device, table, VkCVersion("5.1")); });
        out = captured.out;
        err = captured.err;
        return captured.result;
    }
    static VkTCmdOptions optionsFor(uint32_t mode, bool skipInstalledCheck = true) {
        VkTCmdOptions options;
        options.mode = mode;
        options.skipInstalledCheck = skipInstalledCheck;
        return options;
    }

    HostRecorder host;
    VkCErrorListPool pool;
    VkTDeviceHandle device = nullptr;
    std::string out, err;
};

// Without a root handle the target cannot be locked: the update sequence opens and ends with 1.
TEST_F(UpdatePath, UpdateMakesRemoteHandlesAndHandsOverToTheSequence) {
    EXPECT_EQ(manager(optionsFor(Update, false)), 1);
    EXPECT_EQ(moduleState().remoteFileHandles.size(), 1u);
    EXPECT_EQ(host.codes().back(), uint32_t(EvSequenceOpen));

    moduleState().outputToHost = false;
    moduleState().remoteFileHandles.clear();
    rememberUpdatePlan(UpdatePlan());
    EXPECT_EQ(console(optionsFor(ShowPlan)), 0);
    EXPECT_TRUE(moduleState().remoteFileHandles.empty());
    EXPECT_THAT(out, testing::EndsWith("VK7101   (      10) Y        Firmware         1.0       "
                                       "     1\n"));
    ASSERT_EQ(lastUpdatePlan().boards.size(), 2u);

    rememberUpdatePlan(UpdatePlan());
    pool.reset();
    EXPECT_EQ(console(optionsFor(Update)), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(pool.getErrorCount(), 1u);
    EXPECT_EQ(moduleState().remoteFileHandles.size(), 1u);
    ASSERT_NE(GetLastUpdatePlan(), nullptr);
    EXPECT_EQ(lastUpdatePlan().boards.at(0).matches.at(0).decision, PlanDecision::Install);
}

TEST_F(UpdatePath, WarnAboutMissingUserFirmwareUnlessTheRunUpdatesIt) {
    struct Case {
        uint8_t activeFirmware, activeFpga;
        bool updateFirmware, updateFpgaFirmware, selected, firmwareWarning, fpgaWarning;
    };
    for (const Case& c :
         {Case{1, 1, false, false, true, false, false}, Case{2, 1, false, false, true, true, false},
          Case{1, 3, false, false, true, false, true}, Case{2, 2, true, false, true, false, true},
          Case{2, 2, false, true, true, true, false}, Case{2, 2, true, true, true, false, false},
          Case{2, 2, true, true, false, true, true}}) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int>{
            c.activeFirmware, c.activeFpga, c.updateFirmware, c.updateFpgaFirmware, c.selected}));
        table[1].activeFirmware = c.activeFirmware;
        table[1].activeFpga = c.activeFpga;
        VkTCmdOptions options = optionsFor(ShowPlan);
        options.updateFirmware = c.updateFirmware;
        options.updateFpgaFirmware = c.updateFpgaFirmware;
        options.serialNumbers = c.selected ? "10 20" : "10";
        EXPECT_EQ(console(options), 0);
        const std::string warnings = out.substr(0, out.find("\nBoard "));
        EXPECT_EQ(warnings.find("[SN: 20] has no user firmware") != std::string::npos,
                  c.firmwareWarning);
        EXPECT_EQ(warnings.find("[SN: 20] has no user FPGA firmware") != std::string::npos,
                  c.fpgaWarning);
    }
    moduleState().outputToHost = true;  // the firmware manager's output goes to the host
    EXPECT_EQ(console(optionsFor(ShowPlan)), 0);
    EXPECT_EQ(out, "");
    EXPECT_THAT(host.messages(), testing::StartsWith("\nWARNING: Device VK7102 [SN: 20] has no"));
}

}  // namespace
