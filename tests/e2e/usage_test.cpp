// Command lines that vkupdate refuses before calling the library, and --help / --version.
#include <ostream>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

struct UsageCase {
    std::string name;  // expected/<name>.stdout and .stderr
    std::vector<std::string> args;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class UsageErrorRun : public VkupdateE2eTest, public ::testing::WithParamInterface<UsageCase> {};

// Exit status 64, nothing on standard output, one line and the usage on standard error. The
// targets folder holds a target whose reboot counter shows that the library never ran.
TEST_P(UsageErrorRun, IsRefusedWithStatus64) {
    copyExampleTarget("compact-rtpc");
    std::vector<std::string> args = {"--targets", "$TMP/targets"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    expectRun(run(args), GetParam().name, 64, true);
    EXPECT_EQ(readTargetJson("compact-rtpc")["rebootCount"], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Vkupdate, UsageErrorRun,
    ::testing::Values(
        UsageCase{"usage_no_command", {"--system", "RTPC-COMPACT-07"}},
        UsageCase{"usage_unknown_command", {"--system", "RTPC-COMPACT-07", "flash"}},
        UsageCase{"usage_unknown_option", {"--system", "RTPC-COMPACT-07", "--force", "reboot"}},
        UsageCase{"usage_missing_target", {"reboot"}},
        UsageCase{"usage_ip_and_system",
                  {"--ip", "192.168.10.37", "--system", "RTPC-COMPACT-07", "reboot"}},
        UsageCase{"usage_slot_not_a_number",
                  {"--system", "RTPC-COMPACT-07", "--slot", "two", "reboot"}},
        UsageCase{"usage_events_not_json",
                  {"--system", "RTPC-COMPACT-07", "--events", "xml", "reboot"}},
        UsageCase{"usage_plan_without_firmware", {"--system", "RTPC-COMPACT-07", "plan"}},
        UsageCase{"usage_plan_json_with_events",
                  {"--system", "RTPC-COMPACT-07", "--firmware", "$TMP", "--json", "--events",
                   "json", "plan"}}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return info.param.name; });

using HelpAndVersion = VkupdateE2eTest;

TEST_F(HelpAndVersion, HelpDocumentsCommandsOptionsAndExitStatuses) {
    expectRun(run({"--help"}), "help", 0);
}

TEST_F(HelpAndVersion, VersionNamesVkupdateAndTheLibrary) {
    const ProcessResult result = run({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, std::string("vkupdate ") + VK_LIB_VERSION_TEXT +
                              "\nVkTalveronUpdateLib " + VK_LIB_VERSION_TEXT + "\n");
}

}  // namespace
