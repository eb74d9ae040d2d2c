// The board table (a new record's initial values, stable records) and the board filter of the
// options (board type, serial-number list, slot).
#include <gtest/gtest.h>

#include "description/update_file_record.h"
#include "inventory/board_selection.h"
#include "inventory/board_table.h"

namespace {

// The progress display and the host keep pointers into the records' arrays.
TEST(BoardTable, NewRecordsHaveInitialValuesAndKeepTheirArraysAsTheTableGrows) {
    BoardTable table;
    appendBoardRecord(table, 3).serialNumber = 101;
    const int32_t* matches = table[0].matchFiles.data();
    appendBoardRecord(table, 3);
    ASSERT_EQ(table.size(), 2u);
    const BoardRecord& r = table[0];
    EXPECT_EQ(r.matchFiles, (std::vector<int32_t>{-1, -1, -1}));
    EXPECT_EQ(r.matchFiles.data(), matches);
    EXPECT_EQ(r.fileFailed.size() + r.fileUpToDate.size() + r.fileUpdated.size(), 9u);
    EXPECT_EQ(r.installedChecksum(kInstalledChecksumSlots), kUnknownChecksum);
    EXPECT_EQ(r.serialNumber, 101u);
    EXPECT_NE(r.errorPool, nullptr);
    EXPECT_NE(table[1].errorPool, r.errorPool);
    freeBoardTable(table);
    EXPECT_TRUE(table.empty());
}

TEST(BoardSelection, SerialListsHoldWholeEntriesSeparatedByCommasOrBlanks) {
    const struct {
        const char* list;
        const char* token;
        bool contained;
    } cases[] = {
        {"123, 456", "123", true},  {"123, 456", "456", true},    {"123, 456", "12", false},
        {"123, 456", "23", false},  {"101,102 103", "102", true}, {"101;102", "101", false},
        {"1011", "101", false},     {"101\t102", "101", false},   {"", "", true},
        {"101", "", true},          {"", "101", false},           {"10", "101", false},
        {"1101, 101", "101", true}, {",,101,,", "101", true},     {"17 71", "7", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(serialListContains(c.list, c.token), c.contained) << c.list << " / " << c.token;
    }
}

TEST(BoardSelection, EveryFilterMustAddressTheBoard) {
    const struct {
        const char* boardType;
        const char* serials;
        uint32_t slot;
        bool selected;
    } cases[] = {
        {"", "", 0, true},           {"VK7101", "", 0, true},      {"VK7102", "", 0, false},
        {"vk7101", "", 0, false},    {"", "100,101 102", 0, true}, {"", "100,102", 0, false},
        {"", "", 3, true},           {"VK7101", "101", 5, false},  {"VK7101", "101", 3, true},
        {"VK7102", "101", 3, false}, {"VK7101", "1011", 3, false},
    };
    BoardRecord board;  // a VK7101 with serial number 101 in slot 3
    board.boardType = "VK7101";
    board.serialNumber = 101;
    board.slot = 3;
    for (const auto& c : cases) {
        VkTCmdOptions options;
        options.boardType = c.boardType;
        options.serialNumbers = c.serials;
        options.slot = c.slot;
        EXPECT_EQ(isBoardSelected(board, options), c.selected)
            << c.boardType << " / " << c.serials << " / " << c.slot;
    }
    VkTCmdOptions zero;
    board.serialNumber = 0;
    zero.serialNumbers = "0";
    EXPECT_TRUE(isBoardSelected(board, zero));
    zero.serialNumbers = "00";
    EXPECT_FALSE(isBoardSelected(board, zero));
}

}  // namespace
