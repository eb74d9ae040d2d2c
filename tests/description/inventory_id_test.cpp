// The "ID" attribute values: predefined names and numbers, with an index in brackets or after
// a dot; and the table of predefined names.
#include "description/inventory_id.h"

#include <gtest/gtest.h>

#include <string>

#include "VkNInventoryIDs.h"

namespace {

using namespace VkNInventoryIDs;

struct Case {
    const char* text;
    uint32_t category;  // 0: refused, the address left alone
    uint32_t index;
};

const Case kCases[] = {
    {"FIRMWARE[2]", Category_FIRMWARE, 2},
    {"FIRMWARE.0x10", Category_FIRMWARE, 16},
    {"FIRMWARE", Category_FIRMWARE, 1},
    {"FIRMWARE[010]", Category_FIRMWARE, 8},
    {"VERSION[4294967295]", Category_VERSION, 4294967295u},
    {"1000.0", 1000, 0},
    {"0x10[7]", 16, 7},
    {"4294967295", 4294967295u, 1},
    {"FIRMWARE[4294967296]", 0, 0},
    {"FIRMWARE[2]x", 0, 0},
    {"FIRMWARE[]", 0, 0},
    {"FIRMWARE.", 0, 0},
    {"FIRMWARE[2", 0, 0},
    {"FIRMWARE.2.3", 0, 0},
    {"FIRMWARE[-1]", 0, 0},
    {"Firmware", 0, 0},  // names are case-sensitive
    {"FIRMWARE ", 0, 0},
    {"0", 0, 0},
    {"-5", 0, 0},
    {"4294967296", 0, 0},
    {"", 0, 0},
    {"[5]", 0, 0},
    {"NO_SUCH_NAME", 0, 0},
};

TEST(InventoryId, ParsesOrRefuses) {
    PredefinedIdTable table;  // one table for every case: a refused name leaves it usable
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        VkCInventoryAddress address(99, 99);
        EXPECT_EQ(parseInventoryId(table, c.text, address), c.category != 0);
        EXPECT_EQ(address, c.category != 0 ? VkCInventoryAddress(c.category, c.index)
                                           : VkCInventoryAddress(99, 99));
    }
    // Every name of the inventory library's map gives its own category.
    for (uint32_t i = 1; i < Map.getCount(); ++i) {
        uint32_t category = 0;
        EXPECT_TRUE(lookupPredefinedId(table, Map.get(i), category)) << Map.get(i);
        EXPECT_EQ(category, i) << Map.get(i);
    }
}

}  // namespace
