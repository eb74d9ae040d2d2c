// The board listing and the version histories beside what the end-to-end listings show: the
// warnings of an I/O node without parts, the histories of the selected boards only.
#include "reporting/board_display.h"

#include <gtest/gtest.h>

#include "support/captured_output.h"

namespace {

BoardRecord board(const char* type, uint32_t serial, uint32_t systemClass) {
    BoardRecord record;
    record.boardType = type;
    record.productName = "Node";
    record.serialNumber = serial;
    record.systemClass = systemClass;
    record.versionHistory(1) = "fw";
    return record;
}

TEST(BoardDisplay, IoNodeWithoutPartsAndSelectedHistories) {
    const BoardTable table = {board("VK3001", 4, 0x4FFFF), board("VK7101", 5, 0x20001)};
    VkTCmdOptions options;
    options.serialNumbers = "4";
    const auto listed = captureOutput([&] {
        printConnectedBoards(table, options);
        options.serialNumbers = "5";
        printVersionHistories(table, options);
        return 0;
    });
    EXPECT_EQ(listed.out,
              "\nConnected boards:\n\nBoard: Node SN: 4 (VK3001)\n"
              "  WARNING: No user IPL installed!\n  WARNING: No CN firmware installed!\n"
              "  WARNING: No CN IPL installed!\n  WARNING: No CN CPU configuration installed!\n\n"
              "\nFW Version History of Device VK7101 [SN: 5]:\n" +
                  std::string(56, '-') + "\nfw\n\n");
}

}  // namespace
