#include "inventory/inventory_scan.h"

#include <initializer_list>

#include "VkNInventoryIDs.h"
#include "inventory/board_reads.h"
#include "inventory/board_table.h"
#include "reporting/host_events.h"

namespace ids = VkNInventoryIDs;

namespace {

constexpr uint32_t kBackplaneBoardClass = 0x2000F;
constexpr uint32_t kIonWithoutFirmwareClass = 0x40003;

bool hasCategoryOf(const VkCInventoryItem& item,
                   std::initializer_list<const VkCInventoryAddress*> members) {
    const uint32_t category = item.getID().getCategory();
    for (const VkCInventoryAddress* member : members) {
        if (member->getCategory() == category) {
            return true;
        }
    }
    return false;
}

bool isBoardCandidate(const VkCInventoryItem& item) {
    return hasCategoryOf(item, {&ids::HCN, &ids::CN, &ids::NETC, &ids::IOROUTER, &ids::ION,
                                &ids::FBMODULE, &ids::BACKPLANE});
}

bool isDescentCategory(const VkCInventoryItem& item) {
    return hasCategoryOf(item, {&ids::ROOT, &ids::HCN, &ids::CN, &ids::NETWORK, &ids::IOROUTER,
                                &ids::ION, &ids::SUB_BOARDS});
}

template <typename T>
T readOr(VkCErrorListPool& pool, const VkCInventoryItem& item, const VkCInventoryAddress& path,
         T fallback) {
    if (item.getParameter(path) != nullptr) {
        item.getValue(pool, path, fallback);
    }
    return fallback;
}

// CN items count only directly under the root or under an HCN.
bool isStrayComputeNode(const VkCInventoryItem& item) {
    const VkCInventoryItem* parent = item.getParent();
    if (parent == nullptr) {
        return true;
    }
    const VkCInventoryAddress parentId = parent->getID()[1];
    return parentId != ids::ROOT && parentId != ids::HCN;
}

bool isRouterWithoutFirmware(const VkCString& boardType) {
    for (const char* name : {"VK4310RT", "VK4320RT", "VK4380RT", "VK8810RT", "VK8820RT"}) {
        if (boardType == name) {
            return true;
        }
    }
    return false;
}

// Board kinds that carry no firmware of their own, or are counted elsewhere.
bool isExcludedBoard(VkCErrorListPool& pool, const VkCInventoryItem& item,
                     const VkCString& boardType) {
    const VkCInventoryAddress id = item.getID()[1];
    const uint32_t systemClass = readOr<uint32_t>(pool, item, ids::PRODUCT / ids::SYSTEM_CLASS, 0);
    if (id == ids::CN) {
        return isStrayComputeNode(item);
    }
    if (id == ids::NETC) {
        return boardType == "VK7101";
    }
    if (id == ids::BACKPLANE) {
        return systemClass != kBackplaneBoardClass;
    }
    if (id == ids::ION) {
        return systemClass == kIonWithoutFirmwareClass;
    }
    if (id == ids::IOROUTER) {
        return isRouterWithoutFirmware(boardType);
    }
    return false;
}

void sendItemScanned(const VkCInventoryItem& item, bool isBoard) {
    ParameterSet event = makeEvent(EvItemScanned);
    event.value1 = isBoard ? 1 : 0;
    event.ref2 = &item;
    sendEvent(event);
}

void sendBoardAppended(const VkCInventoryItem& item, uint32_t index, const BoardRecord& record) {
    ParameterSet event = makeEvent(EvBoardAppended);
    event.value1 = index;
    event.ref1 = record.matchFiles.data();
    event.ref2 = &item;
    sendEvent(event);
}

void appendBoard(VkCErrorListPool& pool, const VkCInventoryItem& item, uint32_t fileCount,
                 BoardTable& table) {
    BoardRecord& record = appendBoardRecord(table, fileCount);
    readBoardValues(pool, item, record);
    sendBoardAppended(item, static_cast<uint32_t>(table.size() - 1), record);
}

// Whether the scan makes a board record of item.
bool becomesBoardRecord(VkCErrorListPool& pool, const VkCInventoryItem& item) {
    const VkCString boardType = readOr(pool, item, ids::PRODUCT / ids::BOARD_TYPE, VkCString());
    return isBoardCandidate(item) && !isExcludedBoard(pool, item, boardType);
}

}  // namespace

void scanInventory(VkCErrorListPool& pool, const VkCInventoryItem* item, uint32_t fileCount,
                   BoardTable& table, bool reset) {
    if (reset) {
        table.clear();
    }
    if (item == nullptr) {
        return;
    }
    const bool isBoard = becomesBoardRecord(pool, *item);
    const bool descend = isDescentCategory(*item);
    sendItemScanned(*item, isBoard);
    if (isBoard) {
        appendBoard(pool, *item, fileCount, table);
    }
    if (descend) {
        for (const VkCInventoryItem* sub = item->getFirstSubItem(); sub != nullptr;
             sub = sub->getNext()) {
            sendEvent(EvScanLevel);
            scanInventory(pool, sub, fileCount, table, false);
        }
    }
    sendEvent(EvScanLevel, 1);
}
