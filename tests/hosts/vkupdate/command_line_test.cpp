// vkupdate's command line: what parsing gives, the library options it maps to, UTF-8 texts
// made wide, and the discovery of the description file. The texts of refused command lines
// are compared in tests/e2e (error_lines.stderr).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "description_discovery.h"
#include "option_mapping.h"
#include "support/temp_folder.h"

namespace {

// Parses the blank-separated words of line (a tab is no separator) after the program name.
ParseResult parse(const std::string& line) {
    std::vector<std::string> words = {"vkupdate"};
    std::istringstream in(line);
    for (std::string word; std::getline(in, word, ' ');) {
        words.push_back(word);
    }
    std::vector<const char*> argv;
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// What parsing gives in one line: "help", "version", "refused", or the options record:
// mode, parts (firmware, FPGA, bus FPGA), behaviour flags (skip check, silent, yes, verbose,
// factory), firmware-manager flags (mode, description only, print versions).
std::string outcomeOf(const std::string& line) {
    const ParseResult result = parse(line);
    if (result.status != ParseStatus::Run) {
        return result.status == ParseStatus::Help      ? "help"
               : result.status == ParseStatus::Version ? "version"
                                                       : "refused";
    }
    const VkTCmdOptions o = buildOptions(result.commandLine, "");
    std::ostringstream s;
    s << "mode " << o.mode << " parts " << o.updateFirmware << o.updateFpgaFirmware
      << o.updateBusFpga << " flags " << o.skipInstalledCheck << o.silent << o.assumeYes
      << o.verbose << o.factoryMode << " fwmgr " << o.fwMgrMode << o.descriptionOnly
      << o.printVersions << (o.reserved1 || o.reserved2 ? " reserved" : "");
    return s.str();
}

TEST(OptionMapping, CommandsAndFlagsGiveTheirOptions) {
    const std::pair<const char*, const char*> cases[] = {
        {"--help", "help"},
        {"-h", "help"},
        {"boards --help", "help"},
        {"--help --bogus", "help"},
        {"--version", "version"},
        {"--system s boards", "mode 1 parts 111 flags 00000 fwmgr 000"},
        {"--system s history", "mode 2 parts 111 flags 00000 fwmgr 000"},
        {"--system s --firmware f plan", "mode 5 parts 111 flags 00000 fwmgr 000"},
        {"--system s --firmware f update", "mode 0 parts 111 flags 00000 fwmgr 000"},
        {"--system s reboot", "mode 4 parts 111 flags 00000 fwmgr 000"},
        {"--system s can-reboot", "mode 1 parts 111 flags 00000 fwmgr 000"},
        {"catalogue --firmware f", "mode 0 parts 111 flags 00000 fwmgr 110"},
        // Naming no part means every part; naming some means exactly those.
        {"--system s --user-firmware boards", "mode 1 parts 100 flags 00000 fwmgr 000"},
        {"--system s --user-fpga boards", "mode 1 parts 010 flags 00000 fwmgr 000"},
        {"--system s --bus-fpga boards", "mode 1 parts 001 flags 00000 fwmgr 000"},
        {"--system s --user-firmware --bus-fpga boards", "mode 1 parts 101 flags 00000 fwmgr 000"},
        {"--system s --skip-installed-check boards", "mode 1 parts 111 flags 10000 fwmgr 000"},
        {"--system s -s boards", "mode 1 parts 111 flags 01000 fwmgr 000"},
        {"--system s -y -v boards", "mode 1 parts 111 flags 00110 fwmgr 000"},
        {"boards --system=s --silent --yes --verbose", "mode 1 parts 111 flags 01110 fwmgr 000"},
        {"--system s --factory boards", "mode 1 parts 111 flags 00001 fwmgr 000"},
        {"--system s --events json reboot", "mode 4 parts 111 flags 00000 fwmgr 100"},
        {"--system s --firmware f --events json --print-versions plan",
         "mode 5 parts 111 flags 00000 fwmgr 101"},
    };
    for (const auto& [line, outcome] : cases) {
        EXPECT_EQ(outcomeOf(line), outcome) << line;
    }
}

TEST(OptionMapping, TextsAndFiltersReachTheirFields) {
    const ParseResult result = parse(
        "--ip 10.1.2.3 --firmware fw/Gr\xC3\xBC\xC3\x9F --description d.xml --board-type VK7101 "
        "--serial 101\t102,\t103 --slot 4294967295 "
        "--targets /tmp/t --verify --stall-timeout 0 update");
    ASSERT_EQ(result.status, ParseStatus::Run) << result.error;
    const CommandLine& line = result.commandLine;
    EXPECT_EQ(line.descriptionFile, "d.xml");
    EXPECT_EQ(line.targetsFolder, "/tmp/t");
    EXPECT_TRUE(line.verify);
    EXPECT_EQ(line.stallSeconds, "0");
    const VkTCmdOptions options = buildOptions(line, "release.xml");
    EXPECT_EQ(options.firmwareFolder, L"fw/Gr\u00fc\u00df");
    EXPECT_EQ(options.descriptionFile, L"release.xml");
    EXPECT_STREQ(options.ipAddress.c_str(), "10.1.2.3");
    EXPECT_STREQ(options.systemName.c_str(), "");
    EXPECT_STREQ(options.boardType.c_str(), "VK7101");
    EXPECT_STREQ(options.serialNumbers.c_str(), "101 102, 103");  // tabs become blanks
    EXPECT_EQ(options.slot, 4294967295u);
    EXPECT_TRUE(parse("--system s --firmware f --json plan").commandLine.planJson);
    EXPECT_STREQ(buildOptions(parse("--system lab boards").commandLine, "").systemName.c_str(),
                 "lab");
}

// Only a regular file directly in the folder whose name ends in .xml, in any letter case,
// is a description file.
TEST(DescriptionDiscovery, FindsTheOnlyXmlFile) {
    TempFolder temp;
    for (const char* name : {"RELEASE.XML", "firmware.bin", "xml", ".xml", "sub/inner.xml"}) {
        temp.write(name, "x");
    }
    std::filesystem::create_directory(temp.file("old.xml"));
    const DescriptionDiscovery result = discoverDescriptionFile(temp.path());
    EXPECT_TRUE(result.found) << result.error;
    EXPECT_EQ(result.fileName, "RELEASE.XML");
    EXPECT_TRUE(checkGivenDescriptionFile(temp.path(), "RELEASE.XML").found);
}

}  // namespace
