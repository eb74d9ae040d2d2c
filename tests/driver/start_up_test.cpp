#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "VkTalveronUpdateLib.h"

#include "driver/console_input.h"
#include "driver/device_access.h"
#include "driver/sim_targets.h"
#include "driver/start_up.h"
#include "reporting/output_mode.h"
#include "update/plan_query.h"

namespace {

using Json = SimTargets::Json;

Json labInventory() {
    Json inventory = Json::array();
    inventory.push_back(SimTargets::board("HCN", "VKx86_32", 4711, 0x20001));
    inventory.push_back(SimTargets::board("FBMODULE", "VK6001", 12, 0));
    return inventory;
}

// Options that address the target by system name, or by address when ip is given.
VkTCmdOptions optionsFor(uint32_t mode, const char* systemName, const char* ip = "") {
    VkTCmdOptions options;
    options.mode = mode;
    options.systemName = systemName;
    options.ipAddress = ip;
    return options;
}

// Writes a firmware container without update files, made for this library's version, and
// points the options at it.
void addContainer(const SimTargets& targets, VkTCmdOptions& options) {
    const std::filesystem::path folder = std::filesystem::path(targets.path()) / "firmware";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "container.xml")
        << "<ITEM ID=\"1000\" Descr=\"Container\"><ITEM ID=\"INFO\">"
        << "<PARAM ID=\"VERSION\" Type=\"Version\"><VALUE>" << GetLibVersion().getAsString().c_str()
        << "</VALUE></PARAM></ITEM></ITEM>\n";
    options.firmwareFolder = folder.wstring();
    options.descriptionFile = L"container.xml";
}

class StartUp : public ConsoleOutputTest {
  protected:
    // Runs start-up; its result, the output in printed_.
    int32_t start(VkTCmdOptions& options) {
        testing::internal::CaptureStdout();
        const int32_t result = startRun(pool_, options, device_, root_, table_, version_);
        printed_ = testing::internal::GetCapturedStdout();
        return result;
    }
    void TearDown() override {
        deleteRootHandle(pool_, root_);
        deleteDeviceHandle(pool_, device_);
        ConsoleOutputTest::TearDown();
    }

    VkCErrorListPool pool_;
    VkTDeviceHandle device_ = nullptr;
    VkCInventoryRootHandle* root_ = nullptr;
    BoardTable table_;
    VkCVersion version_;
    std::string printed_;
};

TEST_F(StartUp, ShowBoardsScansTheTargetIntoTheTable) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    moduleState().fileCount = 3;
    moduleState().fileCatalogue.resize(3);
    VkTCmdOptions options = optionsFor(ShowBoards, "lab");
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_NE(device_, nullptr);
    EXPECT_NE(root_, nullptr);
    ASSERT_EQ(table_.size(), 2u);
    EXPECT_EQ(moduleState().boardCount, 2u);
    EXPECT_EQ(moduleState().fileCount, 0u);
    EXPECT_TRUE(moduleState().fileCatalogue.empty());
    EXPECT_EQ(table_[0].serialNumber, 4711u);
    EXPECT_EQ(table_[1].boardType, "VK6001");
    EXPECT_TRUE(table_[0].matchFiles.empty());
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

// The plan query answers for the last run only: a new run drops the plan of an earlier one.
TEST_F(StartUp, StartOfARunForgetsTheLastPlan) {
    UpdatePlan earlier;
    earlier.present = true;
    earlier.boards.resize(1);
    rememberUpdatePlan(earlier);
    ASSERT_NE(GetLastUpdatePlan(), nullptr);
    // Also a run that never gets as far as a target.
    VkTCmdOptions options = optionsFor(ShowBoards, "lab");
    options.fwMgrMode = true;
    options.descriptionOnly = true;
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(GetLastUpdatePlan(), nullptr);
    EXPECT_FALSE(lastUpdatePlan().present);
}

TEST_F(StartUp, HostNameIsReplacedByItsAddress) {
    SimTargets targets;
    targets.add("local", SimTargets::target("local", "127.0.0.1", labInventory()));
    VkTCmdOptions options = optionsFor(ShowVersionHistory, "", "localhost");
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(options.ipAddress, "127.0.0.1");
    EXPECT_EQ(table_.size(), 2u);
}

TEST_F(StartUp, AddressSelectsAmongTargets) {
    SimTargets targets;
    targets.add("a", SimTargets::target("same", "10.0.0.1", labInventory()));
    Json other = Json::array({SimTargets::board("HCN", "VKx86_32", 99, 0x20001)});
    targets.add("b", SimTargets::target("same", "10.0.0.2", other));
    VkTCmdOptions options = optionsFor(ShowBoards, "ignored", "10.0.0.2");
    EXPECT_EQ(start(options), 0);
    ASSERT_EQ(table_.size(), 1u);
    EXPECT_EQ(table_[0].serialNumber, 99u);
}

TEST_F(StartUp, RebootOnlyOpensTheDevice) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    VkTCmdOptions options = optionsFor(Reboot, "lab");
    EXPECT_EQ(start(options), 0);
    EXPECT_NE(device_, nullptr);
    EXPECT_EQ(root_, nullptr);
    EXPECT_TRUE(table_.empty());
}

TEST_F(StartUp, DescriptionOnlyManagerRunTouchesNoTarget) {
    // No targets folder at all: any device search would end the process.
    VkTCmdOptions options = optionsFor(ShowBoards, "lab");
    options.fwMgrMode = true;
    options.descriptionOnly = true;
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(device_, nullptr);
    EXPECT_TRUE(moduleState().outputToHost);
}

TEST_F(StartUp, VerboseTracesEveryStep) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    VkTCmdOptions options = optionsFor(ShowBoards, "lab");
    options.verbose = true;
    EXPECT_EQ(start(options), 0);
    EXPECT_TRUE(moduleState().verboseOutput);
    char handle[64];
    std::snprintf(handle, sizeof handle, "%p", device_);
    EXPECT_EQ(printed_, std::string("getDeviceHandle...\n  OK (") + handle +
                            ")\nInventoryManager.createRootHandle...\n  OK!\n"
                            "InventoryManager.Scan...\n  OK!\ngetDeviceList...\n  OK\n");
}

TEST_F(StartUp, UpdateReadsTheDescriptionAndClearsApplications) {
    SimTargets targets;
    Json target = SimTargets::target("lab", "192.168.0.10", labInventory());
    target["applications"] = Json::array({3});
    targets.add("lab", target);
    VkTCmdOptions options = optionsFor(Update, "lab");
    addContainer(targets, options);
    feedStandardInput("y\n");
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(printed_,
              "\nLoaded Application(s) found!\nDo you want to unload all applications (y/n)?"
              "\n\tApplication with ID: 0x3 unloaded\n");
    EXPECT_EQ(table_.size(), 2u);
    EXPECT_EQ(targets.read("lab")["applications"], Json::array());
}

TEST_F(StartUp, ManagerUpdateDoesNotGuardApplications) {
    SimTargets targets;
    Json target = SimTargets::target("lab", "192.168.0.10", labInventory());
    target["applications"] = Json::array({3});
    targets.add("lab", target);
    VkTCmdOptions options = optionsFor(Update, "lab");
    options.fwMgrMode = true;
    addContainer(targets, options);
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(table_.size(), 2u);
    EXPECT_EQ(targets.read("lab")["applications"], Json::array({3}));
}

TEST_F(StartUp, ShowPlanDoesNotGuardApplications) {
    SimTargets targets;
    Json target = SimTargets::target("lab", "192.168.0.10", labInventory());
    target["applications"] = Json::array({3});
    targets.add("lab", target);
    VkTCmdOptions options = optionsFor(ShowPlan, "lab");
    addContainer(targets, options);
    EXPECT_EQ(start(options), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(targets.read("lab")["applications"], Json::array({3}));
}

const char* const kUnreadable =
    "ERROR: Cannot read target device information.\n\tPlease power-cycle the system and "
    "retry.\n\tIf the problem persists, please contact Velkor support.\n";

struct UnreadableCase {
    bool fwMgrMode;
    int32_t result;
};

class StartUpUnreadableInventory : public StartUp,
                                   public testing::WithParamInterface<UnreadableCase> {};

TEST_P(StartUpUnreadableInventory, ReleasesTheHandlesAndFails) {
    SimTargets targets;
    Json target = SimTargets::target("lab", "192.168.0.10", labInventory());
    target["faults"] = Json::array({SimTargets::fault("scan")});
    targets.add("lab", target);
    VkTCmdOptions options = optionsFor(ShowBoards, "lab");
    options.fwMgrMode = GetParam().fwMgrMode;
    moduleState().outputToHost = false;
    EXPECT_EQ(start(options), GetParam().result);
    EXPECT_EQ(device_, nullptr);
    EXPECT_EQ(root_, nullptr);
    EXPECT_TRUE(table_.empty());
    ASSERT_GT(pool_.getErrorCount(), 0u);
    if (!GetParam().fwMgrMode) {
        const std::string header = "\nReported errors:\n       ERROR ";
        EXPECT_EQ(printed_.substr(0, std::string(kUnreadable).size()), kUnreadable);
        EXPECT_NE(printed_.find(header), std::string::npos);
    } else {
        EXPECT_EQ(printed_, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, StartUpUnreadableInventory,
                         testing::Values(UnreadableCase{false, 1}, UnreadableCase{true, 2}));

// Start-up paths that end the process. Standard output goes to standard error in the dying
// child, so the expected text can be matched.
using StartUpDeathTest = StartUp;

void startAndDie(VkTCmdOptions options) {
    withStdoutOnStderr([&] {
        VkCErrorListPool pool;
        VkTDeviceHandle device = nullptr;
        VkCInventoryRootHandle* root = nullptr;
        BoardTable table;
        VkCVersion version;
        startRun(pool, options, device, root, table, version);
        std::fprintf(stderr, "start-up returned\n");
        std::exit(0);
    });
}

TEST_F(StartUpDeathTest, ServiceUnreachable) {
    unsetenv("VK_SIM_TARGETS");
    EXPECT_EXIT(startAndDie(optionsFor(ShowBoards, "lab")), testing::ExitedWithCode(1),
                literally("\nERROR: Unable to communicate with the Velkor TargetBrokerService!\n"
                          "       Maybe the Velkor Setup was not properly installed or the "
                          "service\n       has crashed.\n"));
}

TEST_F(StartUpDeathTest, ServiceOutdated) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    targets.markOutdated();
    EXPECT_EXIT(
        startAndDie(optionsFor(ShowBoards, "lab")), testing::ExitedWithCode(1),
        literally("\nERROR: The installed Velkor TargetBrokerService is outdated and unsupported!\n"
                  "       The installed service is older than the Velkor release of this update\n"
                  "       utility. The service must be updated to the current release before\n"
                  "       using this version of the firmware update utility.\n"));
}

TEST_F(StartUpDeathTest, SystemNameNotFound) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    EXPECT_EXIT(startAndDie(optionsFor(ShowBoards, "other")), testing::ExitedWithCode(1),
                literally("ERROR: Device with system name \"other\" not found (error "
                          "code: 0)!\n") +
                    "$");
}

TEST_F(StartUpDeathTest, AddressNotFound) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    EXPECT_EXIT(startAndDie(optionsFor(ShowBoards, "lab", "10.0.0.99")), testing::ExitedWithCode(1),
                literally("ERROR: Device with IP 10.0.0.99 not found (error code: 0)!\n") + "$");
}

TEST_F(StartUpDeathTest, TwoDevicesWithTheSameNameGiveErrorCodeZero) {
    SimTargets targets;
    targets.add("a", SimTargets::target("lab", "192.168.0.10", labInventory()));
    targets.add("b", SimTargets::target("lab", "192.168.0.11", labInventory()));
    EXPECT_EXIT(startAndDie(optionsFor(ShowBoards, "lab")), testing::ExitedWithCode(1),
                literally("ERROR: Device with system name \"lab\" not found (error code: "
                          "0)!\n       ERROR 0x1410015 (reported by Host PC):\n          The "
                          "system name \"lab\" is ambiguous"));
}

TEST_F(StartUpDeathTest, FailedSearchPrintsItsCodeAndTheErrorList) {
    SimTargets targets;
    Json target = SimTargets::target("lab", "192.168.0.10", labInventory());
    Json fault = SimTargets::fault("getDeviceList");
    fault["errorCode"] = 42;
    target["faults"] = Json::array({fault});
    targets.add("lab", target);
    EXPECT_EXIT(startAndDie(optionsFor(ShowBoards, "lab")), testing::ExitedWithCode(1),
                literally("ERROR: Device with system name \"lab\" not found (error code: "
                          "42)!\n       ERROR 0x2a (reported by Host PC):\n          "));
}

// The debugger channel is read once per process, so this runs in a fresh child process.
TEST_F(StartUpDeathTest, ManagerModeWritesToTheDebuggerChannel) {
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("VK_DEBUG_OUTPUT", "1", 1);
    VkTCmdOptions options = optionsFor(ShowBoards, "lab");
    options.fwMgrMode = true;
    options.descriptionOnly = true;
    EXPECT_EXIT(
        {
            VkCErrorListPool pool;
            VkTDeviceHandle device = nullptr;
            VkCInventoryRootHandle* root = nullptr;
            BoardTable table;
            VkCVersion version;
            std::exit(startRun(pool, options, device, root, table, version) == 0 ? 1 : 0);
        },
        testing::ExitedWithCode(1), "^FWMGR MODE\n$");
    unsetenv("VK_DEBUG_OUTPUT");
    GTEST_FLAG_SET(death_test_style, style);
}

TEST_F(StartUpDeathTest, UnreadableDescription) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    VkTCmdOptions options = optionsFor(Update, "lab");
    options.firmwareFolder = L"/no/such/folder";
    options.descriptionFile = L"container.xml";
    EXPECT_EXIT(startAndDie(options), testing::ExitedWithCode(1),
                literally("ERROR: Failed to read firmware container file.\n") + "$");
}

TEST_F(StartUpDeathTest, ApplicationsNotClearedEndTheProcess) {
    SimTargets targets;
    Json target = SimTargets::target("lab", "192.168.0.10", labInventory());
    target["applications"] = Json::array({3});
    targets.add("lab", target);
    VkTCmdOptions options = optionsFor(Update, "lab");
    addContainer(targets, options);
    feedStandardInput("n\n");
    EXPECT_EXIT(startAndDie(options), testing::ExitedWithCode(1),
                literally("\nLoaded Application(s) found!\nDo you want to unload all "
                          "applications (y/n)?\nERROR: Real-time application is running on "
                          "target system!\n") +
                    "$");
}

class StartUpInvalidAddress : public StartUpDeathTest,
                              public testing::WithParamInterface<const char*> {};

TEST_P(StartUpInvalidAddress, EndsTheProcess) {
    SimTargets targets;
    targets.add("lab", SimTargets::target("lab", "192.168.0.10", labInventory()));
    EXPECT_EXIT(startAndDie(optionsFor(ShowBoards, "lab", GetParam())), testing::ExitedWithCode(1),
                literally(std::string("\nERROR: Invalid IP address or host name (\"") + GetParam() +
                          "\")\n") +
                    "$");
}

INSTANTIATE_TEST_SUITE_P(Addresses, StartUpInvalidAddress,
                         testing::Values("300.1.1.1", "1.2.3", "1.2.3.4.5", "192.168.0.10 ",
                                         "-1.2.3.4", "no-such-host.invalid"));

}  // namespace
