// The board listing and the version histories: which parts and warnings a board shows, which
// histories, in which order, for the boards the options select.
#include "reporting/board_display.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/captured_output.h"
#include "support/host_recorder.h"

namespace {

// A board whose installed slot n holds version n.1 when n is in slots.
BoardRecord board(const char* type, uint32_t serial, uint32_t systemClass,
                  std::vector<int> slots = {}) {
    BoardRecord record;
    record.boardType = type;
    record.productName = "Name";
    record.serialNumber = serial;
    record.systemClass = systemClass;
    for (int slot : slots) {
        record.installedVersion(slot) = VkCVersion((std::to_string(slot) + ".1").c_str());
        record.versionHistory(slot <= 10 ? slot : 10) = ("history " + std::to_string(slot)).c_str();
    }
    return record;
}

// The first and the last word of each printed line that has a blank (no separator line).
std::vector<std::string> summary(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line.erase(0, line.find_first_not_of(' '));
        if (line.find(' ') != std::string::npos) {
            words.push_back(line.substr(0, line.find(' ')) + line.substr(line.rfind(' ')));
        }
    }
    return words;
}

std::string listing(const BoardTable& table, const VkTCmdOptions& options = {}) {
    return captureOutput([&] {
               printConnectedBoards(table, options);
               return 0;
           })
        .out;
}

std::string histories(const BoardTable& table, const VkTCmdOptions& options = {}) {
    return captureOutput([&] {
               printVersionHistories(table, options);
               return 0;
           })
        .out;
}

TEST(BoardDisplay, ListsTheInstalledPartsInOrderAndTheWarnings) {
    BoardRecord pc = board("VKx86_32", 1, 0x20001, {16, 12, 11, 10, 9, 8, 3, 2, 1});
    pc.activeFirmware = pc.activeFpga = 1;
    BoardRecord router = board("VK7101", 2, 0x50000, {1});
    router.activeFirmware = router.activeFpga = 2;
    BoardRecord node = board("VK3001", 3, 0x40003, {8, 12});
    const std::string warning = "WARNING: installed!";
    EXPECT_EQ(
        summary(listing({pc, router, node})),
        (std::vector<std::string>{
            "Connected boards:", "Board: (VKx86_32)", "Firmware 1.1", "FPGA 3.1", "IPL 8.1",
            "CN 10.1", "CN 11.1", "CN 12.1", "Hypervisor 16.1", "Board: (VK7101)", "Firmware 1.1",
            warning, warning, "Board: (VK3001)", "IPL 8.1", "CN 12.1", warning, warning}));
    EXPECT_EQ(listing({board("VK3001", 4, 0x4FFFF)}),
              "\nConnected boards:\n\nBoard: Name SN: 4 (VK3001)\n"
              "  WARNING: No user IPL installed!\n  WARNING: No CN firmware installed!\n"
              "  WARNING: No CN IPL installed!\n"
              "  WARNING: No CN CPU configuration installed!\n\n");
}

TEST(BoardDisplay, ShowsTheHistoriesOfFirmwareAndFpgaAndEveryIoNodeHistory) {
    BoardRecord pc = board("VKx86_32", 1, 0x20001, {1, 6});
    BoardRecord router = board("VK7101", 2, 0x20004, {2});
    router.versionHistory(1) = "";
    BoardRecord node = board("VK3001", 3, 0x40001, {7});
    EXPECT_EQ(summary(histories({pc, router, node})),
              (std::vector<std::string>{"FW 1]:", "history 1", "FPGA 2]:", "history 2",
                                        "IPL 3]:", "CN 3]:", "history 7", "CN 3]:", "CN 3]:"}));
}

TEST(BoardDisplay, OnlySelectedBoardsAndEveryLineIsAMessageOfItsOwn) {
    BoardTable table = {board("VKx86_32", 2, 0x20001, {1}), board("VK7101", 3, 0, {1})};
    VkTCmdOptions options;
    options.serialNumbers = "3";
    EXPECT_EQ(summary(listing(table, options)),
              (std::vector<std::string>{"Connected boards:", "Board: (VK7101)", "Firmware 1.1"}));
    EXPECT_EQ(summary(histories(table, options)),
              (std::vector<std::string>{"FW 3]:", "history 1"}));
    HostRecorder host;
    moduleState().outputToHost = true;
    EXPECT_EQ(listing(table), "");
    moduleState().outputToHost = false;
    EXPECT_EQ(host.codes(), std::vector<uint32_t>(7, EvMessage));
}

}  // namespace
