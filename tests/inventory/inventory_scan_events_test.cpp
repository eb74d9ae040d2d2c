#include <gtest/gtest.h>

#include "inventory/host_event_recorder.h"
#include "inventory/inventory_builder.h"
#include "inventory/inventory_scan.h"

namespace ids = VkNInventoryIDs;

namespace {

// One expected event: its code, value1 and the item in ref2 (29, 33) or none.
struct Expected {
    uint32_t code;
    uint32_t value1;
    const VkCInventoryItem* item;
};

void expectEvents(const std::vector<Expected>& expected) {
    const auto& events = HostEventRecorder::events();
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ParameterSet& e = events[i].record;
        EXPECT_EQ(e.eventCode, expected[i].code) << "event " << i;
        EXPECT_EQ(e.value1, expected[i].value1) << "event " << i;
        EXPECT_EQ(e.value2, 0u) << "event " << i;
        EXPECT_EQ(e.value3, 0u) << "event " << i;
        EXPECT_EQ(e.value4, 0u) << "event " << i;
        EXPECT_EQ(e.ref2, static_cast<const void*>(expected[i].item)) << "event " << i;
        if (e.eventCode != 33) {
            EXPECT_EQ(e.ref1, nullptr) << "event " << i;
        }
    }
}

TEST(ScanEvents, EveryItemLevelAndRecordIsAnnounced) {
    HostEventRecorder recorder;
    InventoryBuilder b;
    VkCInventoryItem* root = b.root();
    VkCInventoryItem* hcn = b.board(root, ids::HCN, "VKx86_32", 1);
    VkCInventoryItem* product = hcn->getItem(ids::PRODUCT);
    VkCInventoryItem* sub = b.add(hcn, ids::SUB_BOARDS);
    VkCInventoryItem* ion = b.board(sub, ids::ION, "VK3003", 100, 0x40003);
    VkCInventoryItem* ionProduct = ion->getItem(ids::PRODUCT);
    VkCInventoryItem* module = b.board(root, ids::FBMODULE, "VK6001", 2);

    BoardTable table;
    uint32_t count = 0;
    scanInventory(b.pool(), root, 3, table, count, true);

    ASSERT_EQ(table.size(), 2u);
    // PRODUCT items are visited as sub items of the boards but not descended into; an ION
    // of class 0x40003 is no record but is descended into.
    const std::vector<Expected> expected = {
        {29, 0, root},    {4, 0, nullptr}, {29, 1, hcn},        {33, 0, hcn},    {4, 0, nullptr},
        {29, 0, product}, {4, 1, nullptr}, {4, 0, nullptr},     {29, 0, sub},    {4, 0, nullptr},
        {29, 0, ion},     {4, 0, nullptr}, {29, 0, ionProduct}, {4, 1, nullptr}, {4, 1, nullptr},
        {4, 1, nullptr},  {4, 1, nullptr}, {4, 0, nullptr},     {29, 1, module}, {33, 1, module},
        {4, 1, nullptr},  {4, 1, nullptr},
    };
    expectEvents(expected);
    const auto& events = HostEventRecorder::events();
    EXPECT_EQ(events[3].record.ref1, table[0].matchFiles.data());
    EXPECT_EQ(events[19].record.ref1, table[1].matchFiles.data());
}

TEST(ScanEvents, NullItemSendsNothing) {
    HostEventRecorder recorder;
    InventoryBuilder b;
    BoardTable table;
    uint32_t count = 0;
    scanInventory(b.pool(), nullptr, 0, table, count, true);
    EXPECT_TRUE(HostEventRecorder::events().empty());
}

TEST(ScanEvents, WithoutCallbackTheScanStillWorks) {
    InventoryBuilder b;
    b.board(b.root(), ids::HCN, "VKx86_32", 1);
    BoardTable table;
    uint32_t count = 0;
    scanInventory(b.pool(), b.root(), 0, table, count, true);
    EXPECT_EQ(count, 1u);
}

}  // namespace
