// Runs that reach a target (or fail to): reboot, the reboot support rules on modified
// copies of the examples, and start-up failures.
#include <filesystem>
#include <string>

#include "e2e_fixture.h"

namespace {

using TargetRun = VkupdateE2eTest;

TEST_F(TargetRun, RebootResetsTheTargetOncePerRun) {
    copyExampleTarget("compact-rtpc");
    const std::vector<std::string> args = {"--targets", "$TMP/targets", "--system",
                                           "RTPC-COMPACT-07", "reboot"};
    expectRun(run(args), "compact_reboot", 0);
    EXPECT_EQ(readTargetJson("compact-rtpc")["rebootCount"], 1);
    expectRun(run(args), "compact_reboot", 0);
    EXPECT_EQ(readTargetJson("compact-rtpc")["rebootCount"], 2);
}

TEST_F(TargetRun, CanRebootGivesReasonTwoForAnOldCpld) {
    copyExampleTarget("compact-rtpc");
    nlohmann::json doc = readTargetJson("compact-rtpc");
    doc["inventory"][1]["items"][1]["items"][0]["params"]["VERSION"] = "3.9";  // CN/HARDWARE/CPLD
    writeTargetJson("compact-rtpc", doc);
    expectRun(run({"--targets", "$TMP/targets", "--system", "RTPC-COMPACT-07", "can-reboot"}),
              "compact_can_reboot_old_cpld", 2);
}

TEST_F(TargetRun, CanRebootGivesReasonThreeForAnUnknownActiveFpgaImage) {
    copyExampleTarget("compact-rtpc");
    nlohmann::json doc = readTargetJson("compact-rtpc");
    doc["inventory"][1]["params"]["ACTIVE_FPGA"] = 0;  // CN
    writeTargetJson("compact-rtpc", doc);
    expectRun(run({"--targets", "$TMP/targets", "--system", "RTPC-COMPACT-07", "can-reboot"}),
              "compact_can_reboot_unknown_fpga_image", 3);
}

// The processing unit comes first and decides at once, so the communication node is never
// seen: the relevant boards count as missing.
TEST_F(TargetRun, CanRebootStopsAtAnUnknownActiveFirmwareImage) {
    copyExampleTarget("compact-rtpc");
    nlohmann::json doc = readTargetJson("compact-rtpc");
    doc["inventory"][0]["params"]["ACTIVE_FIRMWARE"] = 0;  // HCN
    writeTargetJson("compact-rtpc", doc);
    expectRun(run({"--targets", "$TMP/targets", "--system", "RTPC-COMPACT-07", "can-reboot"}),
              "compact_can_reboot_unknown_firmware_image", 3);
}

TEST_F(TargetRun, ServiceUnreachableWithoutTargetsFolder) {
    expectRun(run({"--targets", "$TMP/none", "--system", "LAB-RTPC-01", "boards"}),
              "service_unreachable", 1);
    expectRun(run({"--system", "LAB-RTPC-01", "history"}), "service_unreachable", 1);
}

TEST_F(TargetRun, TargetsOptionWinsOverTheEnvironment) {
    copyExampleTarget("compact-rtpc");
    expectRun(run({"--targets", "$TMP/targets", "--system", "RTPC-COMPACT-07", "boards"},
                  {{"VK_SIM_TARGETS", "$TMP/none"}}),
              "compact_boards", 0);
}

TEST_F(TargetRun, UnknownSystemNameIsNotFound) {
    copyExampleTarget("lab-rtpc");
    expectRun(run({"--targets", "$TMP/targets", "--system", "NO-SUCH-SYSTEM", "boards"}),
              "system_not_found", 1);
}

// The library gives up on a target it cannot reach: whether it can be rebooted cannot be
// determined.
TEST_F(TargetRun, CanRebootOfATargetThatCannotBeReachedCannotBeDetermined) {
    copyExampleTarget("lab-rtpc");
    expectRun(run({"--targets", "$TMP/targets", "--system", "NO-SUCH-SYSTEM", "can-reboot"}),
              "system_not_found", 3);
    expectRun(run({"--targets", "$TMP/none", "--system", "LAB-RTPC-01", "can-reboot"}),
              "service_unreachable", 3);
}

TEST_F(TargetRun, TwoTargetsWithOneNameAreNotFound) {
    copyExampleTarget("lab-rtpc");
    copyExampleTarget("compact-rtpc");
    nlohmann::json doc = readTargetJson("compact-rtpc");
    doc["systemName"] = "LAB-RTPC-01";
    writeTargetJson("compact-rtpc", doc);
    expectRun(run({"--targets", "$TMP/targets", "--system", "LAB-RTPC-01", "boards"}),
              "system_twice", 1);
}

TEST_F(TargetRun, UnknownAddressIsNotFound) {
    copyExampleTarget("lab-rtpc");
    expectRun(run({"--targets", "$TMP/targets", "--ip", "192.168.10.99", "boards"}), "ip_not_found",
              1);
}

TEST_F(TargetRun, InvalidAddressIsRefused) {
    copyExampleTarget("lab-rtpc");
    expectRun(run({"--targets", "$TMP/targets", "--ip", "300.1.2.3", "boards"}), "ip_invalid", 1);
}

TEST_F(TargetRun, FirmwareFolderWithoutDescriptionIsAnError) {
    copyExampleTarget("lab-rtpc");
    std::filesystem::create_directory(tempFolder() + "/fw");
    writeFileText(tempFolder() + "/fw/firmware.bin", "x");
    expectRun(run({"--targets", "$TMP/targets", "--system", "LAB-RTPC-01", "--firmware", "$TMP/fw",
                   "plan"}),
              "plan_no_description", 1, true);
}

TEST_F(TargetRun, FirmwareFolderWithTwoDescriptionsIsAnError) {
    copyExampleTarget("lab-rtpc");
    std::filesystem::create_directory(tempFolder() + "/fw");
    writeFileText(tempFolder() + "/fw/release.xml", "<ITEM/>");
    writeFileText(tempFolder() + "/fw/previous.xml", "<ITEM/>");
    expectRun(run({"--targets", "$TMP/targets", "--system", "LAB-RTPC-01", "--firmware", "$TMP/fw",
                   "update"}),
              "update_two_descriptions", 1, true);
}

}  // namespace
