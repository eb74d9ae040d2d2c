// The start of a run against simulated targets: the device search, the scan into the board
// table, the application guard of console updates, and the start-up paths that end the process.
#include "driver/start_up.h"

#include <gmock/gmock.h>

#include "VkTalveronUpdateLib.h"
#include "driver/console_input.h"
#include "driver/device_access.h"
#include "update/plan_query.h"
#include "update/update_fixture.h"

namespace {

using namespace update_test;

class StartUp : public RunTablesTest {
  protected:
    int32_t start(VkTCmdOptions& options) {
        auto run = captureOutput(
            [&] { return startRun(pool, options, device, root, startTable, version); });
        out = run.out;
        return run.result;
    }
    void TearDown() override {
        deleteRootHandle(pool, root);
        deleteDeviceHandle(pool, device);
        RunTablesTest::TearDown();
    }
    // A firmware container without update files, made for this library's version.
    void addContainer(VkTCmdOptions& options) {
        targets.temp().write("firmware/container.xml",
                             std::string("<ITEM ID=\"1000\" Descr=\"Container\"><ITEM ID=\"INFO\">"
                                         "<PARAM ID=\"VERSION\" Type=\"Version\"><VALUE>") +
                                 GetLibVersion().getAsString().c_str() +
                                 "</VALUE></PARAM></ITEM></ITEM>\n");
        options.firmwareFolder = targets.temp().wideFile("firmware");
        options.descriptionFile = L"container.xml";
    }

    SimTargets targets;
    VkCErrorListPool pool;
    VkTDeviceHandle device = nullptr;
    VkCInventoryRootHandle* root = nullptr;
    BoardTable startTable;
    VkCVersion version;
    std::string out;
};

// No target at all: any device search would end the process. A new run drops the last plan.
TEST_F(StartUp, DescriptionOnlyManagerRunTouchesNoTargetAndForgetsThePlan) {
    UpdatePlan earlier;
    earlier.present = true;
    earlier.boards.resize(1);
    rememberUpdatePlan(earlier);
    VkTCmdOptions options = optionsFor(ShowBoards);
    options.fwMgrMode = true;
    options.descriptionOnly = true;
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(device, nullptr);
    EXPECT_TRUE(moduleState().outputToHost);
    EXPECT_EQ(GetLastUpdatePlan(), nullptr);
}

TEST_F(StartUp, OnlyConsoleUpdatesClearRunningApplications) {
    struct Case {
        uint32_t mode;
        bool fwMgrMode;
        Json applicationsLeft;
    };
    for (const Case& c : {Case{Update, false, Json::array()}, Case{Update, true, Json::array({3})},
                          Case{ShowPlan, false, Json::array({3})}}) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.fwMgrMode ? " manager" : ""));
        TearDown();
        freeBoardTable(startTable);
        targets.add("lab", lab(Json::array(), Json::array({3})));
        VkTCmdOptions options = optionsFor(c.mode);
        options.fwMgrMode = c.fwMgrMode;
        addContainer(options);
        feedStandardInput("y\n");
        EXPECT_EQ(start(options), 0);
        EXPECT_EQ(startTable.size(), 2u);
        EXPECT_EQ(targets.read("lab")["applications"], c.applicationsLeft);
    }
}

// Start-up paths that end the process. Standard output goes to standard error in the dying
// child, so that the key text of each can be matched.
TEST_F(StartUp, UnrecoverableConditionsEndTheProcess) {
    struct Case {
        const char* name;
        Json targets;  // name -> target
        VkTCmdOptions options;
        const char* answer;
        std::string expected;
    };
    VkTCmdOptions update = optionsFor(Update);
    addContainer(update);
    VkTCmdOptions noDescription = optionsFor(Update);
    noDescription.firmwareFolder = L"/no/such/folder";
    noDescription.descriptionFile = L"container.xml";
    Json fault = SimTargets::fault("getDeviceList");
    fault["errorCode"] = 42;
    const Case cases[] = {
        {"service unreachable", Json(), optionsFor(ShowBoards), "", "TargetBrokerService!"},
        {"service outdated", Json{{"lab", lab()}, {"broker", nullptr}}, optionsFor(ShowBoards), "",
         "TargetBrokerService is outdated"},
        {"system name not found", Json{{"lab", lab()}}, optionsFor(ShowBoards, "other"), "",
         "\"other\" not found \\(error code: 0\\)!\n$"},
        {"address not found", Json{{"lab", lab()}}, optionsFor(ShowBoards, "lab", "10.0.0.99"), "",
         "IP 10.0.0.99 not found \\(error code: 0\\)!\n$"},
        {"two devices", Json{{"a", lab()}, {"b", lab(Json::array(), Json(), "lab", "1.2.3.4")}},
         optionsFor(ShowBoards), "", "\\(error code: 0\\)!\n.*is ambiguous"},
        {"failed search", Json{{"lab", lab(Json::array({fault}))}}, optionsFor(ShowBoards), "",
         "\\(error code: 42\\)!\n       ERROR 0x2a"},
        {"invalid address", Json{{"lab", lab()}}, optionsFor(ShowBoards, "lab", "1.2.3.4.5"), "",
         "Invalid IP address or host name \\(\"1.2.3.4.5\"\\)\n$"},
        {"unknown host", Json{{"lab", lab()}}, optionsFor(ShowBoards, "lab", "no-such.invalid"), "",
         "Invalid IP address or host name"},
        {"unreadable description", Json{{"lab", lab()}}, noDescription, "",
         "Failed to read firmware container file.\n$"},
        {"applications kept", Json{{"lab", lab(Json::array(), Json::array({3}))}}, update, "n\n",
         "\\(y/n\\)\\?\nERROR: Real-time application is running on target system!\n$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::unsetenv("VK_SIM_TARGETS");
        std::unique_ptr<SimTargets> folder;
        if (!c.targets.is_null()) {
            folder = std::make_unique<SimTargets>();
            for (const auto& [name, target] : c.targets.items()) {
                name == "broker" ? folder->markOutdated() : (void)folder->add(name, target);
            }
        }
        feedStandardInput(c.answer);
        VkTCmdOptions options = c.options;
        EXPECT_EXIT(
            {
                ::dup2(2, 1);
                startRun(pool, options, device, root, startTable, version);
                std::exit(0);
            },
            testing::ExitedWithCode(1), c.expected);
    }
}

// The debugger channel is read once per process, so this runs in a fresh child process.
TEST_F(StartUp, ManagerModeWritesToTheDebuggerChannel) {
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::setenv("VK_DEBUG_OUTPUT", "1", 1);
    VkTCmdOptions options = optionsFor(ShowBoards);
    options.fwMgrMode = true;
    options.descriptionOnly = true;
    EXPECT_EXIT(std::exit(startRun(pool, options, device, root, startTable, version) == 0 ? 1 : 0),
                testing::ExitedWithCode(1), "^FWMGR MODE\n$");
    ::unsetenv("VK_DEBUG_OUTPUT");
    GTEST_FLAG_SET(death_test_style, style);
}

}  // namespace
