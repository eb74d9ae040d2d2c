#include <gtest/gtest.h>

#include <string>

#include "VkTalveronUpdateLib.h"
#include "driver/sim_targets.h"
#include "inventory/host_event_recorder.h"
#include "reporting/output_mode.h"

namespace {

using Json = SimTargets::Json;

// A firmware-mode board (class 0x20001) and an FPGA-mode board (class 0x20004) whose second
// FPGA image is active.
Json rebootInventory(const std::string& fpgaImage2) {
    Json pc = SimTargets::board("HCN", "VKx86_32", 1, 0x20001, {{"HW_TYPE", 1}});
    pc["params"] = {{"ACTIVE_FIRMWARE", 1}};
    pc["items"].push_back(SimTargets::part("FIRMWARE", "5.2"));
    Json router = SimTargets::board("IOROUTER", "VK7101", 2, 0x20004);
    router["params"] = {{"ACTIVE_FPGA", 2}};
    router["items"].push_back(
        Json{{"id", "HARDWARE"}, {"items", Json::array({SimTargets::part("CPLD", "4.1")})}});
    router["items"].push_back(SimTargets::part("FPGAFIRMWARE[2]", fpgaImage2));
    return Json::array({pc, router});
}

const char* const kNoInventory = "ERROR: Cannot access inventory data of target device.\n";

class RebootSupport : public ConsoleOutputTest {
  protected:
    void addTarget(const Json& inventory, const Json& faults = Json::array()) {
        Json target = SimTargets::target("lab", "192.168.0.10", inventory);
        target["faults"] = faults;
        targets_.add("lab", target);
    }
    bool check(VkTCmdOptions options = {}) {
        options.systemName = "lab";
        testing::internal::CaptureStdout();
        const bool supported = checkRebootSupport(pool_, options, reason_);
        printed_ = testing::internal::GetCapturedStdout();
        return supported;
    }

    SimTargets targets_;
    VkCErrorListPool pool_;
    uint32_t reason_ = 99;
    std::string printed_;
};

TEST_F(RebootSupport, SupportedTarget) {
    addTarget(rebootInventory("5.1"));
    EXPECT_TRUE(check());
    EXPECT_EQ(reason_, 0u);
    EXPECT_EQ(printed_, "");
}

TEST_F(RebootSupport, OldFpgaImageIsNamed) {
    addTarget(rebootInventory("5.0"));
    EXPECT_FALSE(check());
    EXPECT_EQ(reason_, 1u);
    EXPECT_EQ(printed_,
              "WARNING: System cannot be rebooted automatically (not supported by the firmware "
              "version installed on the system's VK7101 board).\n");
}

TEST_F(RebootSupport, MissingRelevantBoard) {
    addTarget(Json::array({SimTargets::board("FBMODULE", "VK6001", 3, 0)}));
    EXPECT_FALSE(check());
    EXPECT_EQ(reason_, 3u);
    EXPECT_EQ(printed_,
              "ERROR: Cannot determine firmware mode of the target system. Relevant board not "
              "found.\n");
}

TEST_F(RebootSupport, ModeAndDescriptionOfTheOptionsAreIgnored) {
    addTarget(rebootInventory("5.1"));
    VkTCmdOptions options;
    options.mode = Update;  // would read a description and guard applications
    options.firmwareFolder = L"/no/such/folder";
    EXPECT_TRUE(check(options));
    EXPECT_EQ(printed_, "");
}

TEST_F(RebootSupport, UnreadableInventory) {
    addTarget(rebootInventory("5.1"), Json::array({SimTargets::fault("scan")}));
    EXPECT_FALSE(check());
    EXPECT_EQ(reason_, 3u);
    EXPECT_EQ(printed_.find("ERROR: Cannot read target device information."), 0u) << printed_;
    EXPECT_NE(printed_.find("\nReported errors:\n"), std::string::npos);
    const std::string tail(kNoInventory);
    ASSERT_GE(printed_.size(), tail.size());
    EXPECT_EQ(printed_.substr(printed_.size() - tail.size()), tail);
}

TEST_F(RebootSupport, ErrorsAtTheEndArePrintedButDoNotChangeTheReason) {
    addTarget(rebootInventory("5.1"), Json::array({SimTargets::fault("deleteDeviceHandle")}));
    EXPECT_TRUE(check());
    EXPECT_EQ(reason_, 0u);
    EXPECT_EQ(printed_.find("\nReported errors:\n       ERROR "), 0u) << printed_;
}

TEST_F(RebootSupport, ManagerModeEndsWithEvent11) {
    addTarget(rebootInventory("5.0"));
    HostEventRecorder recorder;
    VkTCmdOptions options;
    options.fwMgrMode = true;
    EXPECT_FALSE(check(options));
    EXPECT_EQ(reason_, 1u);
    EXPECT_EQ(printed_, "");
    const auto& events = HostEventRecorder::events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().record.eventCode, 11u);
    EXPECT_EQ(events.back().record.value1, 0u);
    EXPECT_EQ(HostEventRecorder::messages(),
              "WARNING: System cannot be rebooted automatically (not supported by the firmware "
              "version installed on the system's VK7101 board).\n");
}

TEST_F(RebootSupport, ManagerModeStartUpFailureSendsItsResult) {
    addTarget(rebootInventory("5.1"), Json::array({SimTargets::fault("scan")}));
    HostEventRecorder recorder;
    VkTCmdOptions options;
    options.fwMgrMode = true;
    EXPECT_FALSE(check(options));
    EXPECT_EQ(reason_, 3u);
    const auto& events = HostEventRecorder::events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().record.eventCode, 11u);
    EXPECT_EQ(events.back().record.value1, 2u);
    const std::string messages = HostEventRecorder::messages();
    EXPECT_EQ(messages.substr(messages.size() - std::string(kNoInventory).size()), kNoInventory);
}

}  // namespace
