// The inventory scan: which items become board records, in which order, and what is read into
// a record (the values the end-to-end listings do not show all of), on trees built by hand.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string>

#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "VkCString.h"
#include "VkCVersion.h"
#include "VkNInventoryIDs.h"
#include "interface/run_records.h"
#include "inventory/inventory_scan.h"

namespace ids = VkNInventoryIDs;

namespace {

// Inventory trees built by hand. A path names the items along the way and a final parameter
// ("PRODUCT / BOARD_TYPE"); missing items are made.
class InventoryBuilder {
  public:
    VkCInventoryItem* root() { return root_.get(); }
    VkCErrorListPool& pool() { return pool_; }

    // A new sub item of parent (its name is the category name, or name if given).
    VkCInventoryItem* add(VkCInventoryItem* parent, const VkCInventoryAddress& id,
                          const char* name = nullptr) {
        VkCInventoryItem* item = new VkCInventoryItem(pool_, id, name ? name : nameOf(id));
        parent->addItem(VkCInventoryAddress(), item);  // the parent owns its sub items
        return item;
    }
    template <typename T>
    void set(VkCInventoryItem* item, const VkCInventoryAddress& path, T value) {
        const auto& steps = path.elements();
        for (size_t i = 0; i + 1 < steps.size(); ++i) {
            const VkCInventoryAddress step(steps[i].category, steps[i].index);
            VkCInventoryItem* next = item->getItem(step);
            item = next ? next : add(item, step);
        }
        const VkCInventoryAddress last(steps.back().category, steps.back().index);
        item->addParameter(
            pool_, VkCInventoryAddress(),
            new VkCInventoryParameter(pool_, last, nameOf(last), value, nullptr, false, 0));
    }
    void setText(VkCInventoryItem* item, const VkCInventoryAddress& path, const char* text) {
        set<const VkCString&>(item, path, VkCString(text));
    }
    void setVersion(VkCInventoryItem* item, const VkCInventoryAddress& path, const char* text) {
        set<const VkCVersion&>(item, path, VkCVersion(text));
    }
    // A board item: board type (unless null), serial number and class (unless 0).
    VkCInventoryItem* board(VkCInventoryItem* parent, const VkCInventoryAddress& id,
                            const char* boardType, uint32_t serial, uint32_t systemClass = 0) {
        VkCInventoryItem* item = add(parent, id);
        if (boardType != nullptr) {
            setText(item, ids::PRODUCT / ids::BOARD_TYPE, boardType);
        }
        set<uint32_t>(item, ids::PRODUCT / ids::SERIAL_NUMBER, serial);
        if (systemClass != 0) {
            set<uint32_t>(item, ids::PRODUCT / ids::SYSTEM_CLASS, systemClass);
        }
        return item;
    }

  private:
    static const char* nameOf(const VkCInventoryAddress& id) {
        const char* name = VkNInventoryIDs::Map.get(id.getCategory());
        return name ? name : "ITEM";
    }

    VkCErrorListPool pool_;
    std::unique_ptr<VkCInventoryItem> root_{
        new VkCInventoryItem(pool_, VkNInventoryIDs::ROOT, nameOf(VkNInventoryIDs::ROOT))};
};

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
    BoardTable table(1);  // a new scan starts a new table
    scanInventory(b.pool(), root, 0, table, true);
    std::vector<uint32_t> serials;
    for (const BoardRecord& record : table) {
        serials.push_back(record.serialNumber);
    }
    std::vector<uint32_t> expected(21);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(serials, expected);
}

// Scans the builder's tree, which must give one record, and returns that record.
BoardRecord scanOne(InventoryBuilder& b) {
    BoardTable table;
    scanInventory(b.pool(), b.root(), 0, table, true);
    EXPECT_EQ(table.size(), 1u);
    return table.empty() ? BoardRecord() : table[0];
}

// Only the hypervisor-carrying boards read the first UPDATE_INFO entry with ID 14.
TEST(ScanReads, HypervisorEntry) {
    const struct {
        const char* boardType;
        uint32_t hwType;
        std::vector<uint32_t> entryIds;  // 0: an entry without ID
        uint32_t read;                   // the entry read, from 1; 0: none
    } cases[] = {
        {"VK7101", 3, {0, 12, 14, 14}, 3}, {"VK7101", 2, {14}, 0}, {"VKx86_32", 0, {14}, 1},
        {"VKx86_32", 3, {14}, 0},          {"VK7102", 3, {14}, 0}, {"VK7101", 3, {12, 0}, 0},
    };
    for (const auto& c : cases) {
        InventoryBuilder b;
        VkCInventoryItem* board = b.board(b.root(), ids::HCN, c.boardType, 1);
        b.set<uint32_t>(board, ids::PRODUCT / ids::HW_TYPE, c.hwType);
        VkCInventoryItem* info = b.add(board, ids::UPDATE_INFO);
        for (uint32_t n = 1; n <= c.entryIds.size(); ++n) {
            VkCInventoryItem* entry = b.add(info, ids::INFO[n]);
            if (c.entryIds[n - 1] != 0) {
                b.set<uint32_t>(entry, ids::ID, c.entryIds[n - 1]);
            }
            b.setVersion(entry, ids::VERSION, ("9." + std::to_string(n)).c_str());
            b.setText(entry, ids::VERSION_HISTORY, ("entry " + std::to_string(n)).c_str());
            b.set<uint32_t>(entry, ids::CHECKSUM_CRC32, n);
        }
        const BoardRecord r = scanOne(b);
        SCOPED_TRACE(c.boardType);
        EXPECT_TRUE(r.hasUpdateInfo);
        EXPECT_EQ(r.hasUpdateInfoEntry, c.read != 0);
        EXPECT_EQ(r.installedVersion(16),
                  c.read ? VkCVersion(("9." + std::to_string(c.read)).c_str()) : VkCVersion());
        EXPECT_EQ(r.versionHistory(10), c.read ? ("entry " + std::to_string(c.read)).c_str() : "");
        EXPECT_EQ(r.installedChecksum(13), c.read ? c.read : kUnknownChecksum);
    }
}

}  // namespace
