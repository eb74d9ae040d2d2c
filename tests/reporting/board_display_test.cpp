#include <gtest/gtest.h>

#include <string>

#include "inventory/host_event_recorder.h"
#include "reporting/board_display.h"
#include "reporting/output_mode.h"

namespace {

using BoardDisplay = ConsoleOutputTest;

BoardRecord board(const char* type, const char* name, uint32_t serial, uint32_t systemClass) {
    BoardRecord record;
    record.boardType = type;
    record.productName = name;
    record.serialNumber = serial;
    record.systemClass = systemClass;
    return record;
}

std::string connectedBoards(const BoardTable& table, const VkTCmdOptions& options = {}) {
    testing::internal::CaptureStdout();
    printConnectedBoards(table, options);
    return testing::internal::GetCapturedStdout();
}

std::string histories(const BoardTable& table, const VkTCmdOptions& options = {}) {
    testing::internal::CaptureStdout();
    printVersionHistories(table, options);
    return testing::internal::GetCapturedStdout();
}

TEST_F(BoardDisplay, EveryInstalledPartInOrder) {
    BoardRecord pc = board("VKx86_32", "TALVERON RT PC", 4711, 0x20001);
    pc.installedVersion(1) = VkCVersion("3.2.1");
    pc.installedVersion(3) = VkCVersion("5.1");
    pc.installedVersion(8) = VkCVersion("1.0");
    pc.installedVersion(10) = VkCVersion("2.0");
    pc.installedVersion(11) = VkCVersion("2.1");
    pc.installedVersion(12) = VkCVersion("2.2");
    pc.installedVersion(16) = VkCVersion("1.2.3.4");
    pc.installedVersion(2) = VkCVersion("9.9");  // the second firmware image is not listed
    pc.activeFirmware = 1;
    pc.activeFpga = 1;
    EXPECT_EQ(connectedBoards({pc}),
              "\nConnected boards:\n\n"
              "Board: TALVERON RT PC SN: 4711 (VKx86_32)\n"
              "  Firmware version:            3.2.1\n"
              "  FPGA version:                5.1\n"
              "  IPL version:                 1.0\n"
              "  CN firmware version:         2.0\n"
              "  CN IPL version:              2.1\n"
              "  CN CPU config. version:      2.2\n"
              "  Hypervisor firmware version: 1.2.3.4\n"
              "\n");
}

TEST_F(BoardDisplay, MissingPartsAreLeftOutAndInactiveUserFirmwareIsWarned) {
    BoardRecord node = board("VK7101", "Router", 12, 0x20004);
    node.installedVersion(1) = VkCVersion("3.2.1");
    node.activeFirmware = 2;
    EXPECT_EQ(connectedBoards({node}),
              "\nConnected boards:\n\n"
              "Board: Router SN: 12 (VK7101)\n"
              "  Firmware version:            3.2.1\n"
              "  WARNING: No user firmware installed!\n"
              "\n");
}

TEST_F(BoardDisplay, IoNodeWarnsAboutEveryMissingPartAfterTheActivePartWarnings) {
    BoardRecord node = board("VK3001", "I/O node", 77, 0x40003);
    node.installedVersion(8) = VkCVersion("1.1");
    node.installedVersion(12) = VkCVersion("1.4");
    node.activeFirmware = 3;
    node.activeFpga = 2;
    EXPECT_EQ(connectedBoards({node}),
              "\nConnected boards:\n\n"
              "Board: I/O node SN: 77 (VK3001)\n"
              "  IPL version:                 1.1\n"
              "  CN CPU config. version:      1.4\n"
              "  WARNING: No user firmware installed!\n"
              "  WARNING: No user FPGA firmware installed!\n"
              "  WARNING: No CN firmware installed!\n"
              "  WARNING: No CN IPL installed!\n"
              "\n");
}

TEST_F(BoardDisplay, IoNodeWithNothingInstalledGetsAllFourWarnings) {
    EXPECT_EQ(connectedBoards({board("VK3001", "Node", 1, 0x4FFFF)}),
              "\nConnected boards:\n\n"
              "Board: Node SN: 1 (VK3001)\n"
              "  WARNING: No user IPL installed!\n"
              "  WARNING: No CN firmware installed!\n"
              "  WARNING: No CN IPL installed!\n"
              "  WARNING: No CN CPU configuration installed!\n"
              "\n");
}

TEST_F(BoardDisplay, OtherClassesNeverGetIoNodeWarnings) {
    EXPECT_EQ(connectedBoards({board("VKx86_32", "PC", 2, 0x20001), board("X", "Y", 3, 0x50000)}),
              "\nConnected boards:\n\n"
              "Board: PC SN: 2 (VKx86_32)\n\n"
              "Board: Y SN: 3 (X)\n\n");
}

TEST_F(BoardDisplay, FilterSelectsTheBoardsListed) {
    BoardTable table = {board("VKx86_32", "PC", 2, 0x20001), board("VK7101", "Router", 3, 0)};
    VkTCmdOptions options;
    options.serialNumbers = "3";
    EXPECT_EQ(connectedBoards(table, options),
              "\nConnected boards:\n\nBoard: Router SN: 3 (VK7101)\n\n");
    options.serialNumbers = "4";
    EXPECT_EQ(connectedBoards(table, options), "\nConnected boards:\n\n");
}

TEST_F(BoardDisplay, EmptyTablePrintsOnlyTheHeading) {
    EXPECT_EQ(connectedBoards({}), "\nConnected boards:\n\n");
    EXPECT_EQ(histories({}), "");
}

TEST_F(BoardDisplay, HostModeSendsEveryLineAsItsOwnMessage) {
    HostEventRecorder recorder;
    moduleState().outputToHost = true;
    BoardRecord pc = board("VKx86_32", "PC", 2, 0x20001);
    pc.installedVersion(1) = VkCVersion("5.2");
    EXPECT_EQ(connectedBoards({pc}), "");
    std::vector<std::string> texts;
    for (const auto& event : HostEventRecorder::events()) {
        EXPECT_EQ(event.record.eventCode, 35u);
        texts.push_back(event.text);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"\nConnected boards:\n\n", "Board: PC SN: 2 (VKx86_32)\n",
                                        "  Firmware version:            5.2\n", "\n"}));
}

const char* const kSeparator = "--------------------------------------------------------\n";

TEST_F(BoardDisplay, HistoriesOfFirmwareAndFpgaWhenNotEmpty) {
    BoardRecord pc = board("VKx86_32", "PC", 4711, 0x20001);
    pc.versionHistory(1) = "3.2.1 first release";
    pc.versionHistory(2) = "";
    pc.versionHistory(6) = "not shown for this class";
    BoardRecord router = board("VK7101", "Router", 12, 0x20004);
    router.versionHistory(2) = "5.1 fpga";
    EXPECT_EQ(histories({pc, router}),
              std::string("\nFW Version History of Device VKx86_32 [SN: 4711]:\n") + kSeparator +
                  "3.2.1 first release\n\n" +
                  "\nFPGA Version History of Device VK7101 [SN: 12]:\n" + kSeparator +
                  "5.1 fpga\n\n");
}

TEST_F(BoardDisplay, IoNodeHistoriesArePrintedEvenWhenEmpty) {
    BoardRecord node = board("VK3001", "Node", 77, 0x40001);
    node.versionHistory(7) = "cn fw";
    EXPECT_EQ(histories({node}),
              std::string("\nIPL Version History of Device VK3001 [SN: 77]:\n") + kSeparator +
                  "\n\n" + "\nCN FW Version History of Device VK3001 [SN: 77]:\n" + kSeparator +
                  "cn fw\n\n" + "\nCN IPL Version History of Device VK3001 [SN: 77]:\n" +
                  kSeparator + "\n\n" +
                  "\nCN CPU Configuration Version History of Device VK3001 [SN: 77]:\n" +
                  kSeparator + "\n\n");
}

TEST_F(BoardDisplay, HistoriesHonourTheFilter) {
    BoardRecord pc = board("VKx86_32", "PC", 1, 0x20001);
    pc.versionHistory(1) = "h";
    VkTCmdOptions options;
    options.boardType = "VK7101";
    EXPECT_EQ(histories({pc}, options), "");
}

}  // namespace
