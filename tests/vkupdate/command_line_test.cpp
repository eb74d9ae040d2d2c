#include "command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

ParseResult parse(std::vector<std::string> args) {
    args.insert(args.begin(), "vkupdate");
    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

struct UsageCase {
    std::vector<std::string> args;
    std::string error;
};

// Names the case in test listings by its arguments instead of dumping its bytes.
void PrintTo(const UsageCase& c, std::ostream* os) {
    for (const std::string& arg : c.args) {
        *os << arg << ' ';
    }
}

class UsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, IsRefusedWithOneClearLine) {
    const ParseResult result = parse(GetParam().args);
    EXPECT_EQ(result.status, ParseStatus::UsageError);
    EXPECT_EQ(result.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, UsageErrorTest,
    ::testing::Values(
        UsageCase{{}, "no command given"}, UsageCase{{"--system", "lab"}, "no command given"},
        UsageCase{{"--system", "lab", "flash"}, "unknown command 'flash'"},
        UsageCase{{"--bogus", "boards"}, "unknown option '--bogus'"},
        UsageCase{{"--system", "lab", "-x", "boards"}, "unknown option '-x'"},
        UsageCase{{"--system", "lab", "boards", "history"},
                  "unexpected argument 'history'; give one command"},
        UsageCase{{"--system", "lab", "boards", "--", "history"},
                  "unexpected argument 'history'; give one command"},
        UsageCase{{"boards"},
                  "the boards command needs a target: give --ip ADDRESS-OR-HOSTNAME or --system "
                  "NAME"},
        UsageCase{{"can-reboot", "--firmware", "fw"},
                  "the can-reboot command needs a target: give --ip ADDRESS-OR-HOSTNAME or "
                  "--system NAME"},
        UsageCase{{"--ip", "10.0.0.1", "--system", "lab", "boards"},
                  "--ip and --system exclude each other; give one of them"},
        UsageCase{{"--ip", "", "boards"}, "--ip needs an address or host name, not an empty text"},
        UsageCase{{"--system", "", "boards"}, "--system needs a system name, not an empty text"},
        UsageCase{{"--system", "lab", "--slot", "abc", "boards"},
                  "--slot needs a slot number from 0 to 4294967295, not 'abc'"},
        UsageCase{{"--system", "lab", "--slot", "-1", "boards"},
                  "--slot needs a slot number from 0 to 4294967295, not '-1'"},
        UsageCase{{"--system", "lab", "--slot", "4294967296", "boards"},
                  "--slot needs a slot number from 0 to 4294967295, not '4294967296'"},
        UsageCase{{"--system", "lab", "--slot", "3x", "boards"},
                  "--slot needs a slot number from 0 to 4294967295, not '3x'"},
        UsageCase{{"--system", "lab", "--events", "xml", "boards"},
                  "--events takes only the value json, not 'xml'"},
        UsageCase{{"--system", "lab", "--print-versions", "--firmware", "fw", "update"},
                  "--print-versions works only together with --events json"},
        UsageCase{{"--system", "lab", "--events", "json", "boards"},
                  "--events json cannot be used with boards: in firmware-manager mode the "
                  "library lists no boards"},
        UsageCase{{"--system", "lab", "--events", "json", "history"},
                  "--events json cannot be used with history: in firmware-manager mode the "
                  "library lists no boards"},
        UsageCase{{"--system", "lab", "--firmware", "fw", "--events", "json", "plan"},
                  "plan with --events json needs --print-versions (the version report); without "
                  "it the firmware-manager run would update the target"},
        UsageCase{{"--system", "lab", "--json", "boards"},
                  "--json is an option of the plan command only"},
        UsageCase{{"--system", "lab", "--firmware", "fw", "--json", "--events", "json", "plan"},
                  "--json and --events json exclude each other; give one of them"},
        UsageCase{{"--system", "lab", "plan"}, "the plan command needs --firmware DIR"},
        UsageCase{{"--system", "lab", "update"}, "the update command needs --firmware DIR"},
        UsageCase{{"catalogue"}, "the catalogue command needs --firmware DIR"},
        UsageCase{{"--system", "lab", "--serial", "104233,1O4871", "boards"},
                  "--serial needs decimal serial numbers separated by commas or blanks, not "
                  "'1O4871'"},
        UsageCase{{"--system", "lab", "--serial", "101;102", "boards"},
                  "--serial needs decimal serial numbers separated by commas or blanks, not "
                  "'101;102'"},
        UsageCase{{"--system", "lab", "--serial", " , ", "boards"},
                  "--serial needs at least one serial number"},
        UsageCase{{"--system", "lab", "--stall-timeout", "5", "boards"},
                  "--stall-timeout is an option of the update command only"},
        UsageCase{{"--system", "lab", "--firmware", "fw", "--stall-timeout", "-1", "update"},
                  "--stall-timeout needs a number of seconds from 0 to 4294967295, not '-1'"},
        UsageCase{
            {"--system", "lab", "--firmware", "fw", "--stall-timeout", "4294967296", "update"},
            "--stall-timeout needs a number of seconds from 0 to 4294967295, not "
            "'4294967296'"},
        UsageCase{{"--system", "lab", "--firmware", "fw", "--verify", "plan"},
                  "--verify is an option of the update command only"},
        UsageCase{{"--system", "lab", "--firmware", "fw", "--verify", "--events", "json", "update"},
                  "--verify and --events json exclude each other; give one of them"},
        UsageCase{{"--system"}, "--system: 1 required TEXT missing"}));

TEST(CommandLine, HelpAndVersionNeedNoCommand) {
    EXPECT_EQ(parse({"--help"}).status, ParseStatus::Help);
    EXPECT_EQ(parse({"-h"}).status, ParseStatus::Help);
    EXPECT_EQ(parse({"--version"}).status, ParseStatus::Version);
    EXPECT_EQ(parse({"boards", "--help"}).status, ParseStatus::Help);
    EXPECT_EQ(parse({"--help", "--bogus"}).status, ParseStatus::Help);
}

TEST(CommandLine, EveryCommandWordIsKnown) {
    const std::vector<std::pair<std::string, Command>> words = {
        {"boards", Command::Boards},      {"history", Command::History},
        {"plan", Command::Plan},          {"update", Command::Update},
        {"reboot", Command::Reboot},      {"can-reboot", Command::CanReboot},
        {"catalogue", Command::Catalogue}};
    for (const auto& [word, command] : words) {
        const ParseResult result = parse({"--system", "lab", "--firmware", "fw", word});
        EXPECT_EQ(result.status, ParseStatus::Run) << word << ": " << result.error;
        EXPECT_EQ(result.commandLine.command, command) << word;
        EXPECT_EQ(commandWord(command), word);
    }
}

TEST(CommandLine, CatalogueNeedsNoTarget) {
    const ParseResult result = parse({"catalogue", "--firmware", "fw"});
    EXPECT_EQ(result.status, ParseStatus::Run) << result.error;
}

TEST(CommandLine, ReadsEveryOption) {
    const ParseResult result = parse({"--ip",
                                      "10.1.2.3",
                                      "--firmware",
                                      "fw dir",
                                      "--description",
                                      "d.xml",
                                      "--board-type",
                                      "VK7101",
                                      "--serial",
                                      "101, 102",
                                      "--slot",
                                      "5",
                                      "--user-fpga",
                                      "--skip-installed-check",
                                      "--factory",
                                      "-y",
                                      "-s",
                                      "-v",
                                      "--events",
                                      "json",
                                      "--print-versions",
                                      "--targets",
                                      "/tmp/t",
                                      "update"});
    ASSERT_EQ(result.status, ParseStatus::Run) << result.error;
    const CommandLine& line = result.commandLine;
    EXPECT_EQ(line.command, Command::Update);
    EXPECT_EQ(line.ipAddress, "10.1.2.3");
    EXPECT_EQ(line.systemName, "");
    EXPECT_EQ(line.firmwareFolder, "fw dir");
    EXPECT_EQ(line.descriptionFile, "d.xml");
    EXPECT_EQ(line.boardType, "VK7101");
    EXPECT_EQ(line.serialNumbers, "101, 102");
    EXPECT_EQ(line.slot, 5u);
    EXPECT_FALSE(line.userFirmware);
    EXPECT_TRUE(line.userFpga);
    EXPECT_FALSE(line.busFpga);
    EXPECT_TRUE(line.skipInstalledCheck);
    EXPECT_TRUE(line.factory);
    EXPECT_TRUE(line.assumeYes);
    EXPECT_TRUE(line.silent);
    EXPECT_TRUE(line.verbose);
    EXPECT_TRUE(line.eventsJson);
    EXPECT_TRUE(line.printVersions);
    EXPECT_FALSE(line.planJson);
    EXPECT_EQ(line.targetsFolder, "/tmp/t");
}

TEST(CommandLine, LongFormsAndOptionsAfterTheCommand) {
    const ParseResult result = parse({"boards", "--system=lab", "--yes", "--silent", "--verbose",
                                      "--user-firmware", "--bus-fpga", "--slot", "4294967295"});
    ASSERT_EQ(result.status, ParseStatus::Run) << result.error;
    EXPECT_EQ(result.commandLine.systemName, "lab");
    EXPECT_TRUE(result.commandLine.assumeYes);
    EXPECT_TRUE(result.commandLine.silent);
    EXPECT_TRUE(result.commandLine.verbose);
    EXPECT_TRUE(result.commandLine.userFirmware);
    EXPECT_TRUE(result.commandLine.busFpga);
    EXPECT_EQ(result.commandLine.slot, 4294967295u);
}

TEST(CommandLine, TabsSeparateSerialNumbersLikeBlanks) {
    const ParseResult result = parse({"--system", "lab", "--serial", "101\t102,\t103", "boards"});
    ASSERT_EQ(result.status, ParseStatus::Run) << result.error;
    EXPECT_EQ(result.commandLine.serialNumbers, "101 102, 103");
}

TEST(CommandLine, UpdateTakesItsOwnOptions) {
    const ParseResult result = parse(
        {"--system", "lab", "--firmware", "fw", "--verify", "--stall-timeout", "0", "update"});
    ASSERT_EQ(result.status, ParseStatus::Run) << result.error;
    EXPECT_TRUE(result.commandLine.verify);
    EXPECT_EQ(result.commandLine.stallSeconds, "0");
}

TEST(CommandLine, JsonIsAcceptedOnPlan) {
    const ParseResult result = parse({"--system", "lab", "--firmware", "fw", "--json", "plan"});
    ASSERT_EQ(result.status, ParseStatus::Run) << result.error;
    EXPECT_TRUE(result.commandLine.planJson);
}

TEST(CommandLine, FirmwareIsNeededOnlyWhereAContainerIsRead) {
    EXPECT_TRUE(commandNeedsFirmware(Command::Plan));
    EXPECT_TRUE(commandNeedsFirmware(Command::Update));
    EXPECT_TRUE(commandNeedsFirmware(Command::Catalogue));
    EXPECT_FALSE(commandNeedsFirmware(Command::Boards));
    EXPECT_FALSE(commandNeedsFirmware(Command::History));
    EXPECT_FALSE(commandNeedsFirmware(Command::Reboot));
    EXPECT_FALSE(commandNeedsFirmware(Command::CanReboot));
}

}  // namespace
