#include "inventory_id.h"

#include <gtest/gtest.h>

#include "VkNInventoryIDs.h"

namespace {

using namespace VkNInventoryIDs;

struct IdCase {
    const char* text;
    bool accepted;
    uint32_t category;
    uint32_t index;
};

const IdCase kIdCases[] = {
    {"FIRMWARE[2]", true, Category_FIRMWARE, 2},
    {"FIRMWARE.2", true, Category_FIRMWARE, 2},
    {"FIRMWARE", true, Category_FIRMWARE, 1},
    {"FIRMWARE[0]", true, Category_FIRMWARE, 0},
    {"FIRMWARE.0x10", true, Category_FIRMWARE, 16},
    {"FIRMWARE[010]", true, Category_FIRMWARE, 8},
    {"FIRMWARE[4294967295]", true, Category_FIRMWARE, 4294967295u},
    {"FIRMWARE[4294967296]", false, 0, 0},
    {"FIRMWARE[2]x", false, 0, 0},
    {"FIRMWARE[]", false, 0, 0},
    {"FIRMWARE.", false, 0, 0},
    {"FIRMWARE[2", false, 0, 0},
    {"FIRMWARE[2]]", false, 0, 0},
    {"FIRMWARE.2.3", false, 0, 0},
    {"FIRMWARE.2[3]", false, 0, 0},
    {"FIRMWARE[-1]", false, 0, 0},
    {"firmware", false, 0, 0},  // names are case-sensitive
    {"FIRMWARE ", false, 0, 0},
    {"VERSION[1]", true, Category_VERSION, 1},
    {"0", false, 0, 0},
    {"0x10", true, 16, 1},
    {"-5", false, 0, 0},  // no predefined name
    {"1000", true, 1000, 1},
    {"1000.0", true, 1000, 0},
    {"1000[7]", true, 1000, 7},
    {"4294967295", true, 4294967295u, 1},
    {"4294967296", false, 0, 0},
    {"12abc", false, 0, 0},
    {"", false, 0, 0},
    {".5", false, 0, 0},
    {"[5]", false, 0, 0},
    {"NO_SUCH_NAME", false, 0, 0},
};

class InventoryIdTest : public testing::TestWithParam<IdCase> {};

TEST_P(InventoryIdTest, ParsesOrRejects) {
    const IdCase& c = GetParam();
    PredefinedIdTable table;
    VkCInventoryAddress address(99, 99);
    ASSERT_EQ(parseInventoryId(table, c.text, address), c.accepted) << '"' << c.text << '"';
    if (c.accepted) {
        EXPECT_EQ(address, VkCInventoryAddress(c.category, c.index)) << c.text;
    } else {
        EXPECT_EQ(address, VkCInventoryAddress(99, 99)) << "a refused ID leaves the address";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, InventoryIdTest, testing::ValuesIn(kIdCases));

TEST(InventoryId, BracketAndDotFormsGiveTheSameAddress) {
    PredefinedIdTable table;
    VkCInventoryAddress bracket;
    VkCInventoryAddress dot;
    ASSERT_TRUE(parseInventoryId(table, "FIRMWARE[2]", bracket));
    ASSERT_TRUE(parseInventoryId(table, "FIRMWARE.2", dot));
    EXPECT_EQ(bracket, dot);
    EXPECT_EQ(bracket, FIRMWARE[2]);
}

TEST(PredefinedIds, EveryNameOfTheMapGivesItsCategory) {
    PredefinedIdTable table;
    const uint32_t count = Map.getCount();
    ASSERT_GT(count, 1u);
    for (uint32_t i = 1; i < count; ++i) {
        uint32_t category = 0;
        ASSERT_TRUE(lookupPredefinedId(table, Map.get(i), category)) << Map.get(i);
        EXPECT_EQ(category, i) << Map.get(i);
    }
}

TEST(PredefinedIds, UnknownNamesFailAndLeaveTheResult) {
    PredefinedIdTable table;
    for (const char* name : {"", "Firmware", "FIRMWARE ", "NOT_A_NAME", "1000"}) {
        uint32_t category = 77;
        EXPECT_FALSE(lookupPredefinedId(table, name, category)) << '"' << name << '"';
        EXPECT_EQ(category, 77u);
    }
    uint32_t category = 0;
    EXPECT_TRUE(lookupPredefinedId(table, "LOCATION", category))
        << "a failed lookup keeps the table";
    EXPECT_EQ(category, uint32_t(Category_LOCATION));
}

}  // namespace
