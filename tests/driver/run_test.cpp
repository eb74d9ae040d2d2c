// Whole runs of the update driver and the reboot support check against a simulated target:
// results, the target's state, the host events of the firmware manager, and the board filters
// that end the process.
#include <gmock/gmock.h>

#include "VkTalveronUpdateLib.h"
#include "support/host_recorder.h"
#include "update/update_fixture.h"

namespace {

using namespace update_test;
using Codes = std::vector<uint32_t>;

class Run : public RunTablesTest {
  protected:
    void addLab(const Json& faults = Json::array(), const Json& inventory = labInventory()) {
        targets.add("lab", SimTargets::target("lab", "192.168.0.10", inventory, faults));
    }
    static VkTCmdOptions optionsFor(uint32_t mode, bool manager = false) {
        VkTCmdOptions options = update_test::optionsFor(mode);
        options.fwMgrMode = manager;
        return options;
    }
    int32_t run(const VkTCmdOptions& options) {
        moduleState().outputToHost = false;  // as a new process finds it
        auto result = captureOutput([&] { return VkSmartUpdateTool(pool, options); });
        out = result.out;
        return result.result;
    }
    int rebootCount() { return targets.read("lab").value("rebootCount", 0); }

    HostRecorder host;
    SimTargets targets;
    VkCErrorListPool pool;
    std::string out;
};

TEST_F(Run, StartUpFailureEndsWithEvent11OnlyForTheManager) {
    addLab(Json::array({SimTargets::fault("scan")}));
    EXPECT_EQ(run(optionsFor(ShowBoards, true)), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(host.codes().back(), uint32_t(EvRunFinished));
    EXPECT_EQ(host.withCode(EvRunFinished).back().value1, 2u);
    EXPECT_THAT(host.messages(), testing::StartsWith("ERROR: Cannot read target device "));
    const size_t before = host.codes({EvMessage}).size();
    EXPECT_EQ(run(optionsFor(ShowBoards)), 1);
    EXPECT_EQ(host.codes({EvMessage}).size(), before);
}

TEST_F(Run, BoardFiltersThatNameNoBoardEndTheProcess) {
    addLab();
    VkTCmdOptions type = optionsFor(ShowBoards);
    type.boardType = "VK3001";
    VkTCmdOptions serials = optionsFor(ShowVersionHistory);
    serials.serialNumbers = "47, 1";
    for (const auto& [options, message] :
         {std::pair{type, "^ERROR: No VK3001 board is available in the target system.\n"},
          std::pair{serials,
                    "^ERROR: No device matches the specified serial number\\(s\\): "
                    "47, 1\n$"}}) {
        EXPECT_EXIT(
            {
                ::dup2(2, 1);
                VkSmartUpdateTool(pool, options);
                std::exit(0);
            },
            testing::ExitedWithCode(1), message);
    }
}

TEST_F(Run, RebootSupportCheck) {
    struct Case {
        const char* name;
        Json inventory;
        const char* faultCall;
        bool manager;
        bool supported;
        uint32_t reason;
        int event11;          // value1 of the manager's closing event 11
        const char* printed;  // a part of what the console or the host got
    };
    const Case cases[] = {
        {"supported", labInventory(), "", false, true, 0, -1, ""},
        {"old FPGA image", labInventory("5.0"), "", false, false, 1, -1, "system's VK7101 board"},
        {"no relevant board", Json::array({SimTargets::board("FBMODULE", "VK6001", 3, 0)}), "",
         false, false, 3, -1, "Relevant board not found."},
        {"unreadable", labInventory(), "scan", false, false, 3, -1, "\nReported errors:\n"},
        {"errors at the end", labInventory(), "deleteDeviceHandle", false, true, 0, -1,
         "\nReported errors:\n       ERROR "},
        {"manager, old FPGA image", labInventory("5.0"), "", true, false, 1, 0, "VK7101 board"},
        {"manager, unreadable", labInventory(), "scan", true, false, 3, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        addLab(*c.faultCall ? Json::array({SimTargets::fault(c.faultCall)}) : Json::array(),
               c.inventory);
        VkTCmdOptions options = optionsFor(Update, c.manager);  // mode and folder are ignored
        options.firmwareFolder = L"/no/such/folder";
        const size_t before = host.events().size();
        moduleState().outputToHost = false;
        uint32_t reason = 99;
        auto check = captureOutput([&] { return checkRebootSupport(pool, options, reason); });
        EXPECT_EQ(check.result, c.supported);
        EXPECT_EQ(reason, c.reason);
        EXPECT_THAT(c.manager ? host.messages() : check.out, testing::HasSubstr(c.printed));
        EXPECT_EQ(check.out.empty(), c.manager || (c.reason == 0 && !*c.faultCall));
        if (c.event11 >= 0) {
            ASSERT_GT(host.events().size(), before);
            EXPECT_EQ(host.events().back().record.eventCode, uint32_t(EvRunFinished));
            EXPECT_EQ(host.events().back().record.value1, uint32_t(c.event11));
        }
        pool.reset();
    }
    addLab(Json::array({SimTargets::fault("scan")}));
    moduleState().outputToHost = false;
    uint32_t reason = 0;
    EXPECT_THAT(captureOutput([&] { return checkRebootSupport(pool, optionsFor(0), reason); }).out,
                testing::EndsWith("ERROR: Cannot access inventory data of target device.\n"));
}

}  // namespace
