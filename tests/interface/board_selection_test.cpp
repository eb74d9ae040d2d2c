// The board filter of the options: board type, serial-number list, slot.
#include <gtest/gtest.h>

#include "interface/board_selection.h"

namespace {

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
}

}  // namespace
