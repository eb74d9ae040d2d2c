#include "option_mapping.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

TEST(OptionMapping, CommandsSelectTheirMode) {
    const std::vector<std::pair<Command, UpdateMode>> modes = {
        {Command::Boards, ShowBoards}, {Command::History, ShowVersionHistory},
        {Command::Plan, ShowPlan},     {Command::Update, Update},
        {Command::Reboot, Reboot},     {Command::CanReboot, ShowBoards},
        {Command::Catalogue, Update}};
    for (const auto& [command, mode] : modes) {
        CommandLine line;
        line.command = command;
        EXPECT_EQ(buildOptions(line, "").mode, static_cast<uint32_t>(mode)) << commandWord(command);
    }
}

TEST(OptionMapping, TextsAndFilterGoToTheirFields) {
    CommandLine line;
    line.command = Command::Update;
    line.ipAddress = "10.0.0.7";
    line.systemName = "lab";
    line.firmwareFolder = "/opt/fw/Grüße";
    line.boardType = "VK7101";
    line.serialNumbers = "101,102";
    line.slot = 3;
    const VkTCmdOptions options = buildOptions(line, "release.xml");
    EXPECT_EQ(options.firmwareFolder, L"/opt/fw/Gr\u00fc\u00dfe");
    EXPECT_EQ(options.descriptionFile, L"release.xml");
    EXPECT_STREQ(options.ipAddress.c_str(), "10.0.0.7");
    EXPECT_STREQ(options.systemName.c_str(), "lab");
    EXPECT_STREQ(options.boardType.c_str(), "VK7101");
    EXPECT_STREQ(options.serialNumbers.c_str(), "101,102");
    EXPECT_EQ(options.slot, 3u);
}

// Naming no part means every part; naming some means exactly those.
TEST(OptionMapping, PartsDefaultToAllThree) {
    struct Case {
        bool firmware, fpga, busFpga;
        bool expectFirmware, expectFpga, expectBusFpga;
    };
    const Case cases[] = {
        {false, false, false, true, true, true},  {true, false, false, true, false, false},
        {false, true, false, false, true, false}, {false, false, true, false, false, true},
        {true, false, true, true, false, true},   {true, true, true, true, true, true},
    };
    for (const Case& c : cases) {
        CommandLine line;
        line.userFirmware = c.firmware;
        line.userFpga = c.fpga;
        line.busFpga = c.busFpga;
        const VkTCmdOptions options = buildOptions(line, "");
        EXPECT_EQ(options.updateFirmware, c.expectFirmware);
        EXPECT_EQ(options.updateFpgaFirmware, c.expectFpga);
        EXPECT_EQ(options.updateBusFpga, c.expectBusFpga);
    }
}

TEST(OptionMapping, BehaviourFlagsGoToTheirFields) {
    CommandLine line;
    line.skipInstalledCheck = true;
    line.factory = true;
    line.assumeYes = true;
    VkTCmdOptions options = buildOptions(line, "");
    EXPECT_TRUE(options.skipInstalledCheck);
    EXPECT_TRUE(options.factoryMode);
    EXPECT_TRUE(options.assumeYes);
    EXPECT_FALSE(options.silent);
    EXPECT_FALSE(options.verbose);

    line = CommandLine();
    line.silent = true;
    line.verbose = true;
    options = buildOptions(line, "");
    EXPECT_TRUE(options.silent);
    EXPECT_TRUE(options.verbose);
    EXPECT_FALSE(options.skipInstalledCheck);
    EXPECT_FALSE(options.factoryMode);
    EXPECT_FALSE(options.assumeYes);
    EXPECT_FALSE(options.reserved1);
    EXPECT_FALSE(options.reserved2);
}

TEST(OptionMapping, FirmwareManagerModeComesFromEventsAndCatalogue) {
    CommandLine line;
    line.command = Command::Boards;
    VkTCmdOptions options = buildOptions(line, "");
    EXPECT_FALSE(options.fwMgrMode);
    EXPECT_FALSE(options.descriptionOnly);
    EXPECT_FALSE(options.printVersions);

    line.eventsJson = true;
    line.printVersions = true;
    options = buildOptions(line, "");
    EXPECT_TRUE(options.fwMgrMode);
    EXPECT_FALSE(options.descriptionOnly);
    EXPECT_TRUE(options.printVersions);

    line = CommandLine();
    line.command = Command::Catalogue;
    options = buildOptions(line, "d.xml");
    EXPECT_TRUE(options.fwMgrMode);
    EXPECT_TRUE(options.descriptionOnly);
    EXPECT_EQ(options.mode, static_cast<uint32_t>(Update));
}

}  // namespace
