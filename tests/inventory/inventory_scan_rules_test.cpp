#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "inventory/inventory_builder.h"
#include "inventory/inventory_scan.h"

namespace ids = VkNInventoryIDs;

namespace {

// Scans the builder's tree and gives the serial numbers of the records, in table order.
std::vector<uint32_t> scannedSerials(InventoryBuilder& builder, uint32_t fileCount = 0) {
    BoardTable table;
    uint32_t count = 99;
    scanInventory(builder.pool(), builder.root(), fileCount, table, count, true);
    EXPECT_EQ(count, table.size());
    std::vector<uint32_t> serials;
    for (const BoardRecord& record : table) {
        serials.push_back(record.serialNumber);
    }
    return serials;
}

using Serials = std::vector<uint32_t>;

struct RuleCase {
    const char* name;
    std::function<void(InventoryBuilder&)> build;
    Serials expected;
};

class ScanRules : public testing::TestWithParam<RuleCase> {};

TEST_P(ScanRules, RecordsExactlyTheUpdatableBoards) {
    InventoryBuilder builder;
    GetParam().build(builder);
    EXPECT_EQ(scannedSerials(builder), GetParam().expected);
}

// Serial numbers: 1.. for items expected to give a record, 100.. for items that must not.
const RuleCase kRules[] = {
    {"HCN under the root",
     [](InventoryBuilder& b) { b.board(b.root(), ids::HCN, "VKx86_32", 1, 0x20001); },
     {1}},
    {"CN under the root and under an HCN",
     [](InventoryBuilder& b) {
         b.board(b.root(), ids::CN, "VKCN1", 1);
         VkCInventoryItem* hcn = b.board(b.root(), ids::HCN, "VKx86_32", 2);
         b.board(hcn, ids::CN[2], "VKCN1", 3);
     },
     {1, 2, 3}},
    {"CN under an ION gives none, its sub items are visited",
     [](InventoryBuilder& b) {
         VkCInventoryItem* ion = b.board(b.root(), ids::ION, "VK3001", 1, 0x40001);
         VkCInventoryItem* cn = b.board(ion, ids::CN, "VKCN1", 100);
         b.board(cn, ids::FBMODULE, "VK6001", 2);
     },
     {1, 2}},
    {"CN under SUB_BOARDS of an HCN gives none",
     [](InventoryBuilder& b) {
         VkCInventoryItem* hcn = b.board(b.root(), ids::HCN, "VKx86_32", 1);
         VkCInventoryItem* sub = b.add(hcn, ids::SUB_BOARDS);
         b.board(sub, ids::CN, "VKCN1", 100);
     },
     {1}},
    {"NETC VK7101 gives none, other NETC one without visiting its sub items",
     [](InventoryBuilder& b) {
         b.board(b.root(), ids::NETC, "VK7101", 100);
         VkCInventoryItem* netc = b.board(b.root(), ids::NETC[2], "VK7102", 1);
         b.board(netc, ids::FBMODULE, "VK6001", 101);
     },
     {1}},
    {"NETC without board type gives one",
     [](InventoryBuilder& b) { b.board(b.root(), ids::NETC, nullptr, 1); },
     {1}},
    {"BACKPLANE only of class 0x2000F",
     [](InventoryBuilder& b) {
         b.board(b.root(), ids::BACKPLANE, "VK9001", 1, 0x2000F);
         b.board(b.root(), ids::BACKPLANE[2], "VK9002", 100, 0x2000E);
         b.board(b.root(), ids::BACKPLANE[3], "VK9003", 101);
     },
     {1}},
    {"BACKPLANE sub items are not visited",
     [](InventoryBuilder& b) {
         VkCInventoryItem* plane = b.board(b.root(), ids::BACKPLANE, "VK9001", 1, 0x2000F);
         b.board(plane, ids::HCN, "VKx86_32", 100);
     },
     {1}},
    {"ION of class 0x40003 gives none but is descended into",
     [](InventoryBuilder& b) {
         VkCInventoryItem* ion = b.board(b.root(), ids::ION[3], "VK3003", 100, 0x40003);
         b.board(ion, ids::ION, "VK3001", 1, 0x40001);
     },
     {1}},
    {"ION of another class gives one",
     [](InventoryBuilder& b) { b.board(b.root(), ids::ION[2], "VK3001", 1, 0x40002); },
     {1}},
    {"IOROUTER without firmware of its own gives none, sub items are visited",
     [](InventoryBuilder& b) {
         const char* names[] = {"VK4310RT", "VK4320RT", "VK4380RT", "VK8810RT", "VK8820RT"};
         uint32_t serial = 100;
         uint32_t inner = 1;
         for (const char* name : names) {
             VkCInventoryItem* router = b.board(b.root(), ids::IOROUTER[inner], name, serial++);
             b.board(router, ids::ION, "VK3001", inner++, 0x40001);
         }
     },
     {1, 2, 3, 4, 5}},
    {"IOROUTER of another type gives one before its sub items",
     [](InventoryBuilder& b) {
         VkCInventoryItem* router = b.board(b.root(), ids::IOROUTER, "VK4390RT", 1);
         b.board(router, ids::ION, "VK3001", 2, 0x40001);
     },
     {1, 2}},
    {"FBMODULE gives one, its sub items are not visited",
     [](InventoryBuilder& b) {
         VkCInventoryItem* module = b.board(b.root(), ids::FBMODULE, "VK6001", 1);
         b.board(module, ids::FBMODULE, "VK6002", 100);
     },
     {1}},
    {"NETWORK and SUB_BOARDS are only descended into",
     [](InventoryBuilder& b) {
         VkCInventoryItem* network = b.add(b.root(), ids::NETWORK);
         b.board(network, ids::NETC, "VK7102", 1);
         VkCInventoryItem* sub = b.add(b.root(), ids::SUB_BOARDS);
         b.board(sub, ids::FBMODULE, "VK6001", 2);
     },
     {1, 2}},
    {"Items of other categories are passed over with their sub items",
     [](InventoryBuilder& b) {
         VkCInventoryItem* hardware = b.add(b.root(), ids::HARDWARE);
         b.board(hardware, ids::HCN, "VKx86_32", 100);
         VkCInventoryItem* custom = b.add(b.root(), VkCInventoryAddress(1000, 1), "HCN");
         b.board(custom, ids::HCN, "VKx86_32", 101);
     },
     {}},
    {"Depth-first pre-order",
     [](InventoryBuilder& b) {
         VkCInventoryItem* hcn = b.board(b.root(), ids::HCN, "VKx86_32", 1);
         VkCInventoryItem* sub = b.add(hcn, ids::SUB_BOARDS);
         VkCInventoryItem* router = b.board(sub, ids::IOROUTER, "VK4390RT", 2);
         b.board(router, ids::ION, "VK3001", 3, 0x40001);
         b.board(router, ids::ION[2], "VK3001", 4, 0x40001);
         b.board(sub, ids::FBMODULE, "VK6001", 5);
         b.board(b.root(), ids::NETC, "VK7102", 6);
     },
     {1, 2, 3, 4, 5, 6}},
};

INSTANTIATE_TEST_SUITE_P(Inventory, ScanRules, testing::ValuesIn(kRules),
                         [](const testing::TestParamInfo<RuleCase>& info) {
                             return "Rule" + std::to_string(info.index);
                         });

TEST(ScanInventory, NullRootLeavesAnEmptyTable) {
    InventoryBuilder builder;
    BoardTable table(2);
    uint32_t count = 2;
    scanInventory(builder.pool(), nullptr, 0, table, count, true);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(count, 0u);
}

TEST(ScanInventory, NullItemWithoutResetChangesNothing) {
    InventoryBuilder builder;
    BoardTable table(2);
    uint32_t count = 2;
    scanInventory(builder.pool(), nullptr, 0, table, count, false);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(count, 2u);
}

TEST(ScanInventory, ResetStartsANewTable) {
    InventoryBuilder builder;
    builder.board(builder.root(), ids::HCN, "VKx86_32", 7);
    BoardTable table;
    uint32_t count = 0;
    scanInventory(builder.pool(), builder.root(), 0, table, count, true);
    scanInventory(builder.pool(), builder.root(), 0, table, count, true);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(table[0].serialNumber, 7u);
}

TEST(ScanInventory, RecursiveCallAppendsToTheTable) {
    InventoryBuilder builder;
    VkCInventoryItem* hcn = builder.board(builder.root(), ids::HCN, "VKx86_32", 8);
    BoardTable table;
    uint32_t count = 0;
    scanInventory(builder.pool(), builder.root(), 0, table, count, true);
    scanInventory(builder.pool(), hcn, 0, table, count, false);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(count, 2u);
}

TEST(ScanInventory, PerMatchArraysAreSizedByTheCatalogue) {
    InventoryBuilder builder;
    builder.board(builder.root(), ids::HCN, "VKx86_32", 1);
    builder.board(builder.root(), ids::FBMODULE, "VK6001", 2);
    BoardTable table;
    uint32_t count = 0;
    scanInventory(builder.pool(), builder.root(), 5, table, count, true);
    ASSERT_EQ(table.size(), 2u);
    for (const BoardRecord& record : table) {
        EXPECT_EQ(record.matchFiles, std::vector<int32_t>(5, -1));
        EXPECT_EQ(record.fileFailed.size(), 5u);
        EXPECT_NE(record.errorPool, nullptr);
    }
}

}  // namespace
