// The inventory scan: which items become board records (and in which order), what is read
// into a record, and the host events of the walk.
#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <string>

#include "description/update_file_record.h"
#include "inventory/inventory_builder.h"
#include "inventory/inventory_scan.h"
#include "support/host_recorder.h"

namespace ids = VkNInventoryIDs;

namespace {

// One tree for every rule: items that must give a record have serial numbers 1, 2, ... in
// depth-first order, items that must not have 100 and more.
TEST(ScanInventory, RecordsExactlyTheUpdatableBoardsDepthFirst) {
    InventoryBuilder b;
    VkCInventoryItem* root = b.root();
    b.board(root, ids::CN, "VKCN1", 1);  // a CN counts under the root or an HCN only
    VkCInventoryItem* hcn = b.board(root, ids::HCN, "VKx86_32", 2, 0x20001);
    b.board(hcn, ids::CN[2], "VKCN1", 3);
    VkCInventoryItem* sub = b.add(hcn, ids::SUB_BOARDS);
    b.board(sub, ids::CN, "VKCN1", 100);
    VkCInventoryItem* router = b.board(sub, ids::IOROUTER, "VK4390RT", 4);  // before its items
    b.board(router, ids::ION, "VK3001", 5, 0x40001);
    b.board(router, ids::ION[2], "VK3001", 6, 0x40001);
    b.board(b.board(sub, ids::FBMODULE, "VK6001", 7), ids::FBMODULE, "VK6002", 101);  // not visited
    VkCInventoryItem* cn =
        b.board(b.board(root, ids::ION, "VK3001", 8, 0x40001), ids::CN, "CN", 102);
    b.board(cn, ids::FBMODULE, "VK6001", 9);  // below a CN that is no record
    b.board(root, ids::NETC, "VK7101", 103);
    b.board(b.board(root, ids::NETC[2], "VK7102", 10), ids::FBMODULE, "VK6001", 104);
    b.board(root, ids::NETC[3], nullptr, 11);
    b.board(b.board(root, ids::BACKPLANE, "VK9001", 12, 0x2000F), ids::HCN, "VKx86_32", 105);
    b.board(root, ids::BACKPLANE[2], "VK9002", 106, 0x2000E);
    b.board(root, ids::BACKPLANE[3], "VK9003", 107);
    b.board(b.board(root, ids::ION[3], "VK3003", 108, 0x40003), ids::ION, "VK3001", 13, 0x40001);
    b.board(root, ids::ION[4], "VK3001", 14, 0x40002);
    uint32_t serial = 15;
    for (const char* name : {"VK4310RT", "VK4320RT", "VK4380RT", "VK8810RT", "VK8820RT"}) {
        VkCInventoryItem* item = b.board(root, ids::IOROUTER[serial - 13], name, serial + 94);
        b.board(item, ids::ION, "VK3001", serial++, 0x40001);
    }
    b.board(b.add(root, ids::NETWORK), ids::NETC, "VK7102", 20);
    b.board(b.add(root, ids::SUB_BOARDS), ids::FBMODULE, "VK6001", 21);
    b.board(b.add(root, ids::HARDWARE), ids::HCN, "VKx86_32", 109);
    b.board(b.add(root, VkCInventoryAddress(1000, 1), "HCN"), ids::HCN, "VKx86_32", 110);
    BoardTable table;
    uint32_t count = 99;
    scanInventory(b.pool(), root, 0, table, count, true);
    std::vector<uint32_t> serials;
    for (const BoardRecord& record : table) {
        serials.push_back(record.serialNumber);
    }
    std::vector<uint32_t> expected(21);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(serials, expected);
    EXPECT_EQ(count, table.size());
}

TEST(ScanInventory, ResetStartsANewTableAndRecursiveCallsAppend) {
    InventoryBuilder builder;
    VkCInventoryItem* hcn = builder.board(builder.root(), ids::HCN, "VKx86_32", 7);
    BoardTable table(2);
    uint32_t count = 2;
    scanInventory(builder.pool(), nullptr, 0, table, count, false);
    EXPECT_EQ(table.size() + count, 4u);
    scanInventory(builder.pool(), nullptr, 0, table, count, true);
    EXPECT_EQ(table.size() + count, 0u);
    scanInventory(builder.pool(), builder.root(), 5, table, count, true);
    scanInventory(builder.pool(), builder.root(), 5, table, count, true);
    scanInventory(builder.pool(), hcn, 5, table, count, false);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(table[0].serialNumber, 7u);
    EXPECT_EQ(table[1].matchFiles, std::vector<int32_t>(5, -1));
    EXPECT_EQ(table[1].fileFailed.size(), 5u);
}

class ScanReads : public testing::Test {
  protected:
    // Scans the tree and gives the single record it must yield.
    const BoardRecord& scanOne() {
        scanInventory(b.pool(), b.root(), 2, table_, count_, true);
        EXPECT_EQ(table_.size(), 1u);
        return table_.at(0);
    }
    VkCInventoryItem* hcn(const char* boardType = "VKx86_32") {
        return b.board(b.root(), ids::HCN, boardType, 4711, 0x20001);
    }

    InventoryBuilder b;
    BoardTable table_;
    uint32_t count_ = 0;
};

TEST_F(ScanReads, IdentityAndCompatibilityValues) {
    VkCInventoryItem* board = hcn();
    b.setText(board, ids::PRODUCT / ids::NAME, "TALVERON RT PC");
    b.setText(board, ids::PRODUCT / ids::PLATFORM_TYPE, "VKPC");
    b.setVersion(board, ids::PRODUCT / ids::PRODUCT_VERSION, "2.1");
    b.setText(board, ids::HARDWARE / ids::MAINBOARD / ids::MODEL, "D2778");
    b.setText(board, ids::PRODUCT / ids::OS_TYPE, "QNX");
    b.setVersion(board, ids::HARDWARE / ids::CPLD / ids::VERSION, "4.1");
    b.set<uint8_t>(board, ids::ACTIVE_FIRMWARE, 1);
    b.set<uint8_t>(board, ids::ACTIVE_FPGA, 2);
    b.set<uint32_t>(board, ids::IPADDRESS, 0xC0A80001u);
    b.add(board, ids::UPDATE_INFO);
    const VkCInventoryAddress numbers[] = {ids::SLOT,
                                           ids::HARDWARE / ids::FPGA / ids::CHIP_TYPE,
                                           ids::PRODUCT / ids::HW_TYPE,
                                           ids::PRODUCT / ids::FW_TYPE,
                                           ids::PRODUCT / ids::HW_COMPATIBILITY_ID,
                                           ids::PRODUCT / ids::SW_COMPATIBILITY_ID};
    for (uint32_t n = 0; n < 6; ++n) {
        b.set<uint32_t>(board, numbers[n], 10 + n);
    }
    const BoardRecord& r = scanOne();
    EXPECT_EQ(r.address, ids::ROOT / ids::HCN);
    EXPECT_EQ(r.boardType, "VKx86_32");
    EXPECT_EQ(r.systemClass, 0x20001u);
    EXPECT_EQ(r.serialNumber, 4711u);
    EXPECT_EQ(r.productName, "TALVERON RT PC");
    EXPECT_EQ(r.platformType, "VKPC");
    EXPECT_EQ(r.productVersion, VkCVersion("2.1"));
    EXPECT_EQ(r.mainboardModel, "D2778");
    EXPECT_EQ(r.osType, "QNX");
    EXPECT_EQ(r.cpldVersion, VkCVersion("4.1"));
    EXPECT_EQ(r.activeFirmware + 10 * r.activeFpga, 21);
    EXPECT_EQ((std::vector<uint32_t>{r.slot, r.fpgaChipType, r.hwType, r.fwType,
                                     r.hwCompatibilityId, r.swCompatibilityId}),
              (std::vector<uint32_t>{10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(r.hasActiveFirmware && r.hasActiveFpga && r.hasIpAddress && r.hasUpdateInfo);
    EXPECT_TRUE(r.isPcPlatform);
    EXPECT_EQ(b.pool().getErrorCount(), 0u);
}

TEST_F(ScanReads, AbsentValuesKeepTheirInitialValues) {
    hcn();
    const BoardRecord& r = scanOne();
    EXPECT_FALSE(r.hasActiveFirmware || r.hasActiveFpga || r.hasUpdateInfo || r.hasIpAddress);
    EXPECT_FALSE(r.hasBootloader || r.hasBootloader2 || r.hasBootloader3);
    EXPECT_FALSE(r.isPcPlatform || r.isNetworkComponent || r.hasUpdateInfoEntry);
    EXPECT_TRUE(r.productName.isEmpty());
    EXPECT_EQ(r.cpldVersion.getAsULong64(), 0u);
    for (int slot = 1; slot <= kInstalledChecksumSlots; ++slot) {
        EXPECT_EQ(r.installedChecksum(slot), kUnknownChecksum) << "slot " << slot;
    }
}

// Every firmware part of the inventory is kept in a slot of its own, its version beside its
// checksum and its history beside its time stamp; the second firmware image has no history.
TEST_F(ScanReads, EveryPartKeepsItsValuesTogether) {
    VkCInventoryItem* board = hcn();
    const VkCInventoryAddress io = ids::IOFPGA / ids::FPGAFIRMWARE;
    const VkCInventoryAddress parts[] = {ids::FIRMWARE,
                                         ids::FIRMWARE[2],
                                         ids::FPGAFIRMWARE,
                                         ids::FPGAFIRMWARE[2],
                                         io,
                                         io[2],
                                         io[3],
                                         ids::IPLFIRMWARE,
                                         ids::IPLFIRMWARE[2],
                                         ids::CNFIRMWARE,
                                         ids::CNIPLFIRMWARE,
                                         ids::CNCPUCONFIGURATION};
    for (uint32_t n = 1; n <= 12; ++n) {
        const std::string tag = std::to_string(n);
        b.setVersion(board, parts[n - 1] / ids::VERSION, ("1." + tag).c_str());
        b.set<uint32_t>(board, parts[n - 1] / ids::CHECKSUM_CRC32, n);
        b.setText(board, parts[n - 1] / ids::VERSION_HISTORY, ("history " + tag).c_str());
        b.setText(board, parts[n - 1] / ids::TIMESTAMP, ("time " + tag).c_str());
    }
    const BoardRecord& r = scanOne();
    std::set<uint32_t> versions, histories;
    for (int slot = 1; slot <= 12; ++slot) {
        const uint32_t n = r.installedChecksum(slot);
        EXPECT_EQ(r.installedVersion(slot), VkCVersion(("1." + std::to_string(n)).c_str()));
        versions.insert(n);
    }
    for (int slot = 1; slot <= kTimestampSlots; ++slot) {
        const std::string history = r.versionHistory(slot).c_str();
        const std::string n = history.substr(history.find(' ') + 1);
        EXPECT_EQ(r.timestamps[slot - 1], ("time " + n).c_str());
        histories.insert(std::stoul(n));
    }
    EXPECT_EQ(versions, (std::set<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(histories, (std::set<uint32_t>{1, 3, 5, 6, 7, 8, 10, 11, 12}));
    EXPECT_EQ(r.installedChecksum(13), kUnknownChecksum);
    EXPECT_TRUE(r.versionHistory(10).isEmpty());
}

// BOOTLOADER[3] stands alone; without it BOOTLOADER and BOOTLOADER[2] are read.
TEST_F(ScanReads, BootLoaders) {
    const VkCInventoryAddress loader = ids::HARDWARE / ids::BOOTLOADER;
    const struct {
        bool given[3];
        bool kept[3];
    } cases[] = {
        {{false, false, false}, {false, false, false}},
        {{true, true, false}, {true, true, false}},
        {{false, true, false}, {false, true, false}},
        {{true, true, true}, {false, false, true}},
    };
    for (const auto& c : cases) {
        InventoryBuilder fresh;
        VkCInventoryItem* board = fresh.board(fresh.root(), ids::HCN, "VKx86_32", 1);
        for (int i = 0; i < 3; ++i) {
            if (c.given[i]) {
                fresh.setVersion(board, loader[i + 1] / ids::VERSION,
                                 ("1." + std::to_string(i)).c_str());
            }
        }
        scanInventory(fresh.pool(), fresh.root(), 0, table_, count_, true);
        const BoardRecord& r = table_.at(0);
        const bool has[] = {r.hasBootloader, r.hasBootloader2, r.hasBootloader3};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(has[i], c.kept[i]) << i;
            EXPECT_EQ(r.installedVersion(13 + i),
                      c.kept[i] ? VkCVersion(("1." + std::to_string(i)).c_str()) : VkCVersion());
        }
    }
}

TEST_F(ScanReads, KindFlags) {
    const struct {
        const char* description;
        const char* platform;
        bool pc, network;
    } cases[] = {
        {"HCN", "VKPC", true, false}, {"HCN", "VKCN", true, false},  {"HCN", "VKPCX", false, false},
        {"HCN", "VKP", false, false}, {"HCN", "vkpc", false, false}, {"NETC", "", false, true},
        {"NETCX", "", false, false},
    };
    for (const auto& c : cases) {
        InventoryBuilder fresh;
        VkCInventoryItem* board = fresh.add(fresh.root(), ids::HCN, c.description);
        fresh.setText(board, ids::PRODUCT / ids::PLATFORM_TYPE, c.platform);
        scanInventory(fresh.pool(), fresh.root(), 0, table_, count_, true);
        EXPECT_EQ(table_.at(0).isPcPlatform, c.pc) << c.platform;
        EXPECT_EQ(table_.at(0).isNetworkComponent, c.network) << c.description;
    }
}

// Only the hypervisor-carrying boards read the UPDATE_INFO entry with ID 14.
TEST_F(ScanReads, HypervisorEntry) {
    const struct {
        const char* boardType;
        uint32_t hwType;
        std::vector<uint32_t> entryIds;  // 0: an entry without ID
        bool read;
    } cases[] = {
        {"VK7101", 3, {0, 12, 14, 14}, true}, {"VK7101", 2, {14}, false},
        {"VKx86_32", 0, {14}, true},          {"VKx86_32", 3, {14}, false},
        {"VK7102", 3, {14}, false},           {"VK7101", 3, {12, 0}, false},
    };
    for (const auto& c : cases) {
        InventoryBuilder fresh;
        VkCInventoryItem* board = fresh.board(fresh.root(), ids::HCN, c.boardType, 1);
        fresh.set<uint32_t>(board, ids::PRODUCT / ids::HW_TYPE, c.hwType);
        VkCInventoryItem* info = fresh.add(board, ids::UPDATE_INFO);
        uint32_t index = 1;
        for (uint32_t id : c.entryIds) {
            VkCInventoryItem* entry = fresh.add(info, ids::INFO[index]);
            if (id != 0) {
                fresh.set<uint32_t>(entry, ids::ID, id);
            }
            fresh.setVersion(entry, ids::VERSION, ("9." + std::to_string(index)).c_str());
            fresh.setText(entry, ids::VERSION_HISTORY, ("entry " + std::to_string(index)).c_str());
            fresh.set<uint32_t>(entry, ids::CHECKSUM_CRC32, 0xA000u + index++);
        }
        scanInventory(fresh.pool(), fresh.root(), 0, table_, count_, true);
        const BoardRecord& r = table_.at(0);
        SCOPED_TRACE(c.boardType);
        EXPECT_TRUE(r.hasUpdateInfo);
        EXPECT_EQ(r.hasUpdateInfoEntry, c.read);
        const uint32_t at = c.entryIds.size() == 4 ? 3 : 1;  // the first entry 14
        EXPECT_EQ(r.installedVersion(16),
                  c.read ? VkCVersion(("9." + std::to_string(at)).c_str()) : VkCVersion());
        EXPECT_EQ(r.versionHistory(10), c.read ? ("entry " + std::to_string(at)).c_str() : "");
        EXPECT_EQ(r.installedChecksum(13), c.read ? 0xA000u + at : kUnknownChecksum);
    }
}

TEST_F(ScanReads, ValueOfAnotherTypeLeavesAnErrorAndTheScanGoesOn) {
    VkCInventoryItem* board = b.add(b.root(), ids::HCN);
    b.setText(board, ids::PRODUCT / ids::SERIAL_NUMBER, "4711");
    b.setText(board, ids::PRODUCT / ids::NAME, "After the bad value");
    const BoardRecord& r = scanOne();
    EXPECT_GT(b.pool().getErrorCount(), 0u);
    EXPECT_EQ(r.serialNumber, 0u);
    EXPECT_EQ(r.productName, "After the bad value");
}

// Event 29 for every item (value1: whether it is a record), 33 for every record (its index,
// its match array), 4 before each sub item (0) and after each item (1).
TEST(ScanEvents, EveryItemLevelAndRecordIsAnnounced) {
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
    HostRecorder host;
    scanInventory(b.pool(), root, 3, table, count, true);
    ASSERT_EQ(table.size(), 2u);
    // PRODUCT items are visited as sub items but not descended into; an ION of class 0x40003
    // is no record but is descended into.
    const struct {
        uint32_t code, value1;
        const void* item;
    } expected[] = {{29, 0, root},       {4, 0, nullptr},  {29, 1, hcn},    {33, 0, hcn},
                    {4, 0, nullptr},     {29, 0, product}, {4, 1, nullptr}, {4, 0, nullptr},
                    {29, 0, sub},        {4, 0, nullptr},  {29, 0, ion},    {4, 0, nullptr},
                    {29, 0, ionProduct}, {4, 1, nullptr},  {4, 1, nullptr}, {4, 1, nullptr},
                    {4, 1, nullptr},     {4, 0, nullptr},  {29, 1, module}, {33, 1, module},
                    {4, 1, nullptr},     {4, 1, nullptr}};
    const std::vector<HostRecorder::Event> events = host.events();
    ASSERT_EQ(events.size(), std::size(expected));
    for (size_t i = 0; i < events.size(); ++i) {
        const ParameterSet& e = events[i].record;
        EXPECT_EQ(e.eventCode, expected[i].code) << i;
        EXPECT_EQ(e.value1, expected[i].value1) << i;
        EXPECT_EQ(e.value2 + e.value3 + e.value4, 0u) << i;
        EXPECT_EQ(e.ref2, expected[i].item) << i;
    }
    EXPECT_EQ(events[3].record.ref1, table[0].matchFiles.data());
    EXPECT_EQ(events[19].record.ref1, table[1].matchFiles.data());
}

}  // namespace
