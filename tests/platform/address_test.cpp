#include <gtest/gtest.h>

#include <set>
#include <string>

#include "VkNInventoryIDs.h"

namespace {

using namespace VkNInventoryIDs;

TEST(VkCInventoryAddressTest, ToStringJoinsNamesAndShowsIndexesOtherThanOne) {
    const VkCInventoryAddress path = ROOT / HCN / SUB_BOARDS / ION[2];
    EXPECT_STREQ(path.toString().c_str(), "ROOT/HCN/SUB_BOARDS/ION[2]");
    EXPECT_STREQ(VkCInventoryAddress(1000, 1).toString().c_str(), "1000");
    EXPECT_STREQ(VkCInventoryAddress(1000, 0).toString().c_str(), "1000[0]");
    EXPECT_STREQ((FIRMWARE[3] / VERSION).toString().c_str(), "FIRMWARE[3]/VERSION");
    EXPECT_STREQ(VkCInventoryAddress().toString().c_str(), "");
}

TEST(VkCInventoryAddressTest, LastElementGivesCategoryIndexAndName) {
    const VkCInventoryAddress path = ROOT / IOROUTER[4];
    EXPECT_EQ(path.getCategory(), IOROUTER.getCategory());
    EXPECT_EQ(path.getIndex(), 4u);
    EXPECT_STREQ(path.getCategoryName().c_str(), "IOROUTER");
    EXPECT_EQ(path.getLastElement(), IOROUTER[4]);
    EXPECT_EQ(path.getLastElement()[1], IOROUTER);
    EXPECT_STREQ(VkCInventoryAddress(4242, 1).getCategoryName().c_str(), "");
    EXPECT_EQ(VkCInventoryAddress().getCategory(), 0u);
}

TEST(VkCInventoryAddressTest, IndexOperatorSetsTheLastIndexOnly) {
    const VkCInventoryAddress path = HCN[3] / FIRMWARE;
    const VkCInventoryAddress changed = path[2];
    EXPECT_EQ(changed, HCN[3] / FIRMWARE[2]);
    EXPECT_NE(changed, path);
    EXPECT_EQ(FIRMWARE[1], FIRMWARE);
}

TEST(VkNInventoryIDsTest, PredefinedCategoriesAreNumberedFromOneBelowAThousand) {
    const VkCInventoryTagMap& map = Map;
    ASSERT_GT(map.getCount(), 50u);
    ASSERT_LT(map.getCount(), 1000u);
    EXPECT_EQ(map.get(0), nullptr);
    EXPECT_EQ(map.get(map.getCount()), nullptr);
    std::set<std::string> names;
    for (uint32_t i = 1; i < map.getCount(); ++i) {
        ASSERT_NE(map.get(i), nullptr) << i;
        names.insert(map.get(i));
    }
    EXPECT_EQ(names.size(), map.getCount() - 1);
    EXPECT_STREQ(map.get(VERSION.getCategory()), "VERSION");
    EXPECT_STREQ(map.get(UPDATE_INFO.getCategory()), "UPDATE_INFO");
    EXPECT_EQ(ACTIVE_FIRMWARE.getCategory(), 1u);
}

}  // namespace
