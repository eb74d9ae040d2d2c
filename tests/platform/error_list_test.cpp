#include <gtest/gtest.h>

#include "VkCErrorList.h"

namespace {

TEST(VkCErrorListTest, SetErrorFillsPlaceholdersFromTheParameterFormat) {
    VkCErrorListPool pool;
    pool.setError(0x2A, 0, "Updating boot loader on device with S/N %1 with file '%2' failed.", 42,
                  3765, "updateBootLoader", "%u%s", 4711u, "boot/bl.bin");
    pool.setError(7, 0, "Updating file '%1' failed. %2 stays", 0, 3620, "updateBusFpga", "%s",
                  "fpga.bit");
    pool.setError(8, 0, "100% of %1 and %9", 0, 0, "f", "%x", 255u);
    ASSERT_EQ(pool.getEntryCount(), 3u);
    EXPECT_STREQ(pool.getErrorText(0).c_str(),
                 "Updating boot loader on device with S/N 4711 with file 'boot/bl.bin' failed.");
    EXPECT_EQ(pool.getErrorCode(0), 0x2Au);
    EXPECT_EQ(pool.getOriginNode(0), 42u);
    EXPECT_STREQ(pool.getErrorText(1).c_str(), "Updating file 'fpga.bit' failed. %2 stays");
    EXPECT_STREQ(pool.getErrorText(2).c_str(), "100% of ff and %9");
    EXPECT_EQ(pool.getErrorCode(99), 0u);
    EXPECT_STREQ(pool.getErrorText(99).c_str(), "");
}

TEST(VkCErrorListTest, WarningsAreEntriesButNotErrors) {
    VkCErrorListPool pool;
    pool.setError(1, VkCErrorList::FlagWarning, "warn", 0, 0, "f", "");
    pool.setError(2, 0, "err", 0, 0, "f", "");
    EXPECT_EQ(pool.getEntryCount(), 2u);
    EXPECT_EQ(pool.getErrorCount(), 1u);
}

TEST(VkCErrorListTest, PoolAppendsAndResets) {
    VkCErrorListPool a, b;
    a.setError(1, 0, "one", 0, 0, "f", "");
    b.setError(2, 0, "two", 5, 0, "f", "");
    b.setError(3, VkCErrorList::FlagWarning, "three", 0, 0, "f", "");
    a += b;
    EXPECT_EQ(a.getEntryCount(), 3u);
    EXPECT_EQ(a.getErrorCount(), 2u);
    EXPECT_EQ(a.getOriginNode(1), 5u);
    a += a;
    EXPECT_EQ(a.getEntryCount(), 6u);
    a.reset();
    EXPECT_EQ(a.getEntryCount(), 0u);
    EXPECT_EQ(a.getErrorCount(), 0u);
}

TEST(VkCErrorManagerTest, CreatesSeparateListsAndOneMasterList) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    VkCErrorListPool* first = manager.createErrorList(0, 1, 20, 5, 300);
    VkCErrorListPool* second = manager.createErrorList(0, 1, 20, 5, 300);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    first->setError(1, 0, "x", 0, 0, "f", "");
    EXPECT_EQ(second->getErrorCount(), 0u);
    manager.deleteErrorList(first);
    manager.deleteErrorList(second);
    manager.deleteErrorList(nullptr);
    EXPECT_EQ(manager.getMasterErrorList(), manager.getMasterErrorList());
}

}  // namespace
