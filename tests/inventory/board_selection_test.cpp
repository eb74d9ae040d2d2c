#include <gtest/gtest.h>

#include "interface/board_selection.h"

namespace {

struct ListCase {
    const char* list;
    const char* token;
    bool contained;
};

class SerialListContains : public testing::TestWithParam<ListCase> {};

TEST_P(SerialListContains, FindsWholeEntriesOnly) {
    const ListCase& c = GetParam();
    EXPECT_EQ(serialListContains(c.list, c.token), c.contained)
        << "list \"" << c.list << "\" token \"" << c.token << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SerialListContains,
    testing::Values(ListCase{"123, 456", "123", true}, ListCase{"123, 456", "456", true},
                    ListCase{"123, 456", "12", false}, ListCase{"123, 456", "23", false},
                    ListCase{"123, 456", "45", false}, ListCase{"101,102 103", "101", true},
                    ListCase{"101,102 103", "102", true}, ListCase{"101,102 103", "103", true},
                    ListCase{"101;102", "101", false}, ListCase{"101;102", "102", false},
                    ListCase{"1011", "101", false}, ListCase{"101\t102", "101", false},
                    ListCase{"", "", true}, ListCase{"101", "", true}, ListCase{"", "101", false},
                    ListCase{"10", "101", false}, ListCase{"1101, 101", "101", true},
                    ListCase{"1011,2101,101", "101", true}, ListCase{",,101,,", "101", true},
                    ListCase{"  7  ", "7", true}, ListCase{"17 71", "7", false}));

BoardRecord boardOf(const char* type, uint32_t serial, uint32_t slot) {
    BoardRecord board;
    board.boardType = type;
    board.serialNumber = serial;
    board.slot = slot;
    return board;
}

struct SelectionCase {
    const char* name;
    const char* boardTypeFilter;
    const char* serialFilter;
    uint32_t slotFilter;
    bool selected;
};

class IsBoardSelected : public testing::TestWithParam<SelectionCase> {};

// The board under test: a VK7101 with serial number 101 in slot 3.
TEST_P(IsBoardSelected, AppliesEveryFilter) {
    const SelectionCase& c = GetParam();
    VkTCmdOptions options;
    options.boardType = c.boardTypeFilter;
    options.serialNumbers = c.serialFilter;
    options.slot = c.slotFilter;
    EXPECT_EQ(isBoardSelected(boardOf("VK7101", 101, 3), options), c.selected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Filters, IsBoardSelected,
    testing::Values(SelectionCase{"no filter", "", "", 0, true},
                    SelectionCase{"same type", "VK7101", "", 0, true},
                    SelectionCase{"other type", "VK7102", "", 0, false},
                    SelectionCase{"type is case-sensitive", "vk7101", "", 0, false},
                    SelectionCase{"listed", "", "100,101 102", 0, true},
                    SelectionCase{"not listed", "", "100,102", 0, false},
                    SelectionCase{"semicolon is no separator", "", "101;102", 0, false},
                    SelectionCase{"longer number", "", "1011", 0, false},
                    SelectionCase{"same slot", "", "", 3, true},
                    SelectionCase{"other slot", "VK7101", "101", 5, false},
                    SelectionCase{"everything matches", "VK7101", "101", 3, true}));

TEST(IsBoardSelected, SerialZeroIsWrittenWithoutLeadingZeros) {
    VkTCmdOptions options;
    options.serialNumbers = "0";
    EXPECT_TRUE(isBoardSelected(boardOf("VK7101", 0, 0), options));
    options.serialNumbers = "00";
    EXPECT_FALSE(isBoardSelected(boardOf("VK7101", 0, 0), options));
}

}  // namespace
