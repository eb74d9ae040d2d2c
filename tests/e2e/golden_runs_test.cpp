// Whole runs of vkupdate compared with expected outputs: refused command lines, the listing
// and reboot commands, start-up failures, the catalogue, plans (printed and as JSON), and
// --events json. Each row runs on fresh copies of both example targets.
#include <sys/stat.h>
#include <filesystem>

#include "e2e_fixture.h"

namespace {

namespace fs = std::filesystem;

// Refused before the library is called: exit status 64, nothing on standard output, one line
// and the usage on standard error; the reboot counter shows that the library never ran.
TEST_F(E2eTest, UsageErrorsAreRefusedWithStatus64) {
    const std::pair<const char*, const char*> rows[] = {
        {"usage_no_command", "--system RTPC-COMPACT-07"},
        {"usage_unknown_command", "--system RTPC-COMPACT-07 flash"},
        {"usage_unknown_option", "--system RTPC-COMPACT-07 --force reboot"},
        {"usage_missing_target", "reboot"},
        {"usage_ip_and_system", "--ip 192.168.10.37 --system RTPC-COMPACT-07 reboot"},
        {"usage_slot_not_a_number", "--system RTPC-COMPACT-07 --slot two reboot"},
        {"usage_events_not_json", "--system RTPC-COMPACT-07 --events xml reboot"},
        {"usage_plan_without_firmware", "--system RTPC-COMPACT-07 plan"},
        {"usage_plan_json_with_events",
         "--system RTPC-COMPACT-07 --firmware $TMP --json --events json plan"}};
    for (const auto& [name, args] : rows) {
        expectRun({std::string("--targets $TMP/targets ") + args, name, 64,
                   std::string(name) + ".stderr"});
        EXPECT_EQ(target("compact-rtpc")["rebootCount"], 0) << name;
    }
}

// The first line of standard error of every refused command line, in one file.
TEST_F(E2eTest, ErrorsAreOneLineEach) {
    writeSmallContainer("fw", VK_LIB_VERSION_TEXT);
    fs::create_directory(tmp() + "/fw/folder.xml");
    ASSERT_EQ(::mkfifo((tmp() + "/fw/pipe.xml").c_str(), 0600), 0);
    const char* const rows[] = {"--system lab boards history",
                                "--system lab boards -- history",
                                "--ip '' boards",
                                "--system '' boards",
                                "--system lab --slot 4294967296 boards",
                                "--system lab --slot 3x boards",
                                "--system lab --print-versions --firmware fw update",
                                "--system lab --events json boards",
                                "--system lab --events json history",
                                "--system lab --firmware fw --events json plan",
                                "--system lab --json boards",
                                "--system lab update",
                                "catalogue",
                                "--system lab --serial 104233,1O4871 boards",
                                "--system lab --serial 101;102 boards",
                                "--system lab --serial ' , ' boards",
                                "--system lab --stall-timeout 5 boards",
                                "--system lab --firmware fw --stall-timeout -1 update",
                                "--system lab --firmware fw --stall-timeout 4294967296 update",
                                "--system lab --firmware fw --verify plan",
                                "--system lab --firmware fw --verify --events json update",
                                "--system",
                                "--firmware $TMP/none catalogue",
                                "--firmware $TMP/fw/release.xml catalogue",
                                "--firmware $TMP/fw --description folder.xml catalogue",
                                "--firmware $TMP/fw --description pipe.xml catalogue",
                                "--firmware $TMP/fw --description missing.xml catalogue"};
    std::string lines;
    for (const char* args : rows) {
        const ProcessResult result = run(args);
        lines += std::string("$ vkupdate ") + args + "\n" + std::to_string(result.status) + " " +
                 result.err.substr(0, result.err.find('\n') + 1);
    }
    expectFile(lines, "error_lines.stderr");
}

TEST_F(E2eTest, VersionNamesVkupdateAndTheLibrary) {
    const ProcessResult result = run("--version");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, std::string("vkupdate ") + VK_LIB_VERSION_TEXT +
                              "\nVkTalveronUpdateLib " + VK_LIB_VERSION_TEXT + "\n");
}

TEST_F(E2eTest, RebootResetsTheTargetOncePerRun) {
    for (int count = 1; count <= 2; ++count) {
        expectRun({kCompact + "reboot", "compact_reboot", 0});
        EXPECT_EQ(target("compact-rtpc")["rebootCount"], count);
    }
}

TEST_F(E2eTest, CatalogueTouchesNoTarget) {
    writeSmallContainer("fw", VK_LIB_VERSION_TEXT);
    const Json before = target("lab-rtpc");
    expectRun({kLab + "--firmware $TMP/fw catalogue", "catalogue", 0});
    EXPECT_EQ(target("lab-rtpc"), before);
    // Nothing but what was copied: no lock or staging files appeared.
    const fs::directory_iterator entries(targetFile("lab-rtpc"));
    EXPECT_EQ(std::distance(fs::begin(entries), fs::end(entries)), 2);
}

TEST_F(E2eTest, ConsoleRuns) {
    const std::string cpld = "/inventory/1/items/1/items/0/params/VERSION";    // CN/HARDWARE/CPLD
    const std::string ion = "/inventory/2/items/3/items/0/params/BOARD_TYPE";  // strict class
    const std::string labFw = kLab + "--firmware " + kExampleFirmware + " ";
    const std::string compactFw = kCompact + "--firmware " + kExampleFirmware + " ";
    auto copyBusFpga = [&](bool changed) {
        const std::string copy = "targets/lab-rtpc/cfdrive/vk9108_bus.bit";
        fs::copy_file(kExampleFirmware + "/vk9108_bus_1.3.bit", temp().file(copy));
        std::string bytes = temp().read(copy);
        bytes.back() = static_cast<char>(bytes.back() ^ (changed ? 1 : 0));
        temp().write(copy, bytes);
    };
    expectRuns(
        {
            {"--help", "help", 0},
            {kLab + "boards", "lab_boards", 0},
            {kLab + "history", "lab_history", 0},
            {kLab + "can-reboot", "lab_can_reboot", 1},
            {kCompact + "boards", "compact_boards", 0},
            {kCompact + "history", "compact_history", 0},
            {kCompact + "can-reboot", "compact_can_reboot", 0},
            {"--targets $TMP/targets --ip 192.168.10.37 boards", "compact_boards", 0},
            {kLab + "--serial '70311, 52114' boards", "lab_boards_serials", 0},
            {kLab + "--slot 2 boards", "lab_boards_slot", 0},
            {kLab + "--board-type VK2260 history", "lab_history_board_type", 0},
            {kLab + "--board-type VK9999 boards", "lab_boards_unknown_type", 1},
            {kLab + "--serial 1234 boards", "lab_boards_unknown_serial", 1},
            // The reboot support rules on changed targets.
            {kCompact + "can-reboot", "compact_can_reboot_old_cpld", 2, "",
             [&] { setInTarget("compact-rtpc", cpld, "3.9"); }},
            {kCompact + "can-reboot", "compact_can_reboot_unknown_fpga_image", 3, "",
             [&] { setInTarget("compact-rtpc", "/inventory/1/params/ACTIVE_FPGA", 0); }},
            // The processing unit decides at once: the communication node is never seen.
            {kCompact + "can-reboot", "compact_can_reboot_unknown_firmware_image", 3, "",
             [&] { setInTarget("compact-rtpc", "/inventory/0/params/ACTIVE_FIRMWARE", 0); }},
            // Start-up failures.
            {"--targets $TMP/none --system LAB-RTPC-01 boards", "service_unreachable", 1},
            {"--system LAB-RTPC-01 history", "service_unreachable", 1},
            {"--targets $TMP/none --system LAB-RTPC-01 can-reboot", "service_unreachable", 3},
            {kCompact + "boards", "compact_boards", 0, "", nullptr, {{"VK_SIM_TARGETS", "/none"}}},
            {"--targets $TMP/targets --system NO-SUCH-SYSTEM boards", "system_not_found", 1},
            {"--targets $TMP/targets --system NO-SUCH-SYSTEM can-reboot", "system_not_found", 3},
            {kLab + "boards", "system_twice", 1, "",
             [&] { setInTarget("compact-rtpc", "/systemName", "LAB-RTPC-01"); }},
            {"--targets $TMP/targets --ip 192.168.10.99 boards", "ip_not_found", 1},
            {"--targets $TMP/targets --ip 300.1.2.3 boards", "ip_invalid", 1},
            {kLab + "--firmware $TMP/fw plan", "plan_no_description", 1,
             "plan_no_description.stderr", [&] { fs::remove(tmp() + "/fw/release.xml"); }},
            // The catalogue: a firmware container read without touching any target.
            {"--firmware $TMP/fw catalogue", "catalogue", 0},
            {"--firmware " + kExampleFirmware + " catalogue", "example_catalogue", 0},
            {"--firmware $TMP/fw --user-fpga catalogue", "catalogue_user_fpga", 0},
            {"--firmware $TMP/fw --events json catalogue", "catalogue_events", 0},
            {"--firmware $TMP/fw --description release.xml catalogue", "catalogue", 0, "",
             [&] { temp().write("fw/other.xml", "<ITEM/>"); }},
            {kLab + "--firmware $TMP/fw update", "update_two_descriptions", 1,
             "update_two_descriptions.stderr", [&] { temp().write("fw/previous.xml", "<ITEM/>"); }},
            {"--firmware $TMP/fw catalogue", "catalogue_other_release", 1, "",
             [&] { writeSmallContainer("fw", "0.9.7"); }},
            {"--firmware $TMP/fw catalogue", "catalogue_unreadable", 1, "",
             [&] { temp().write("fw/release.xml", "<ITEM ID=\"1000\" Descr=\"C\"><BROKEN>"); }},
            // Plans of the example container: the whole trace with --verbose, board and part
            // filters, nothing counted as installed.
            {labFw + "plan", "lab_plan", 0},
            {compactFw + "plan", "compact_plan", 0},
            {labFw + "--verbose plan", "lab_plan_verbose", 0},
            {labFw + "--serial 104871 plan", "lab_plan_serial", 0},
            {compactFw + "--board-type VK7120 plan", "compact_plan_board_type", 0},
            {labFw + "--user-fpga plan", "lab_plan_user_fpga", 0},
            {labFw + "--skip-installed-check plan", "lab_plan_skip_installed_check", 0},
            // A bus FPGA file is installed when the CN drive holds an equal copy; one that
            // differs in a byte is written again.
            {labFw + "plan", "lab_plan_bus_fpga_installed", 0, "", [&] { copyBusFpga(false); }},
            {labFw + "plan", "lab_plan", 0, "", [&] { copyBusFpga(true); }},
            // A board of a strict class without a matching file, and a communication node
            // that needs newer firmware, refuse the whole container.
            {labFw + "plan", "lab_plan_board_not_supported", 1, "",
             [&] { setInTarget("lab-rtpc", ion, "VK2250"); }},
            {labFw + "plan", "lab_plan_newer_firmware_needed", 1, "",
             [&] { setInTarget("lab-rtpc", "/inventory/0/items/5/items/0/params/FW_TYPE", 5); }},
            // plan --json: the document on standard output, the printed plan on standard
            // error; a refused container gives no document.
            {labFw + "--json plan", "lab_plan_json", 0, "lab_plan.stdout"},
            {compactFw + "--json plan", "compact_plan_json", 0, "compact_plan.stdout"},
            {labFw + "--serial 104871 --json plan", "lab_plan_json_serial", 0,
             "lab_plan_serial.stdout"},
            {labFw + "--user-fpga --json plan", "lab_plan_json_user_fpga", 0,
             "lab_plan_user_fpga.stdout"},
            {labFw + "--json plan", "lab_plan_json_bus_fpga_installed", 0,
             "lab_plan_bus_fpga_installed.stdout", [&] { copyBusFpga(false); }},
            {labFw + "--json plan", "plan_json_refused", 1, "lab_plan_board_not_supported.stdout",
             [&] { setInTarget("lab-rtpc", ion, "VK2250"); }},
            // --events json: one JSON object per line on standard output, what is no event on
            // standard error; messages become text events.
            {kCompact + "--events json can-reboot", "compact_can_reboot_events", 0,
             "compact_can_reboot.stdout"},
            {kCompact + "--events json can-reboot", "compact_can_reboot_old_cpld_events", 2,
             "compact_can_reboot_old_cpld_events.stderr",
             [&] { setInTarget("compact-rtpc", cpld, "3.9"); }},
        },
        [&] { writeSmallContainer("fw", VK_LIB_VERSION_TEXT); });
}

}  // namespace
