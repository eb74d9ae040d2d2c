#include "inventory/board_reads.h"

#include <cstring>

#include "VkNInventoryIDs.h"

namespace ids = VkNInventoryIDs;

namespace {

// Reads the value at path into out when the item has it; true when it did.
template <typename T>
bool readIfPresent(VkCErrorListPool& pool, const VkCInventoryItem& item,
                   const VkCInventoryAddress& path, T& out) {
    if (item.getParameter(path) == nullptr) {
        return false;
    }
    item.getValue(pool, path, out);
    return true;
}

// The firmware parts whose VERSION and CHECKSUM_CRC32 fill installed-part slots 1 to 12.
const VkCInventoryAddress* installedPartAddresses() {
    static const VkCInventoryAddress parts[] = {
        ids::FIRMWARE,
        ids::FIRMWARE[2],
        ids::FPGAFIRMWARE,
        ids::FPGAFIRMWARE[2],
        ids::IOFPGA / ids::FPGAFIRMWARE,
        ids::IOFPGA / ids::FPGAFIRMWARE[2],
        ids::IOFPGA / ids::FPGAFIRMWARE[3],
        ids::IPLFIRMWARE,
        ids::IPLFIRMWARE[2],
        ids::CNFIRMWARE,
        ids::CNIPLFIRMWARE,
        ids::CNCPUCONFIGURATION,
    };
    return parts;
}
constexpr int kInstalledParts = 12;

// The firmware parts whose VERSION_HISTORY and TIMESTAMP fill slots 1 to 9.
const VkCInventoryAddress* historyPartAddresses() {
    static const VkCInventoryAddress parts[] = {
        ids::FIRMWARE,
        ids::FPGAFIRMWARE,
        ids::IOFPGA / ids::FPGAFIRMWARE,
        ids::IOFPGA / ids::FPGAFIRMWARE[2],
        ids::IOFPGA / ids::FPGAFIRMWARE[3],
        ids::IPLFIRMWARE,
        ids::CNFIRMWARE,
        ids::CNIPLFIRMWARE,
        ids::CNCPUCONFIGURATION,
    };
    return parts;
}
constexpr int kHistoryParts = 9;

constexpr uint32_t kHypervisorEntryId = 14;
constexpr int kHypervisorVersionSlot = 16;
constexpr int kHypervisorHistorySlot = 10;
constexpr int kHypervisorChecksumSlot = 13;

void readIdentity(VkCErrorListPool& pool, const VkCInventoryItem& item, BoardRecord& record) {
    record.address = item.getAddress();
    readIfPresent(pool, item, ids::PRODUCT / ids::BOARD_TYPE, record.boardType);
    readIfPresent(pool, item, ids::PRODUCT / ids::SYSTEM_CLASS, record.systemClass);
    readIfPresent(pool, item, ids::PRODUCT / ids::NAME, record.productName);
    readIfPresent(pool, item, ids::PRODUCT / ids::PLATFORM_TYPE, record.platformType);
    readIfPresent(pool, item, ids::PRODUCT / ids::PRODUCT_VERSION, record.productVersion);
    readIfPresent(pool, item, ids::PRODUCT / ids::SERIAL_NUMBER, record.serialNumber);
    readIfPresent(pool, item, ids::SLOT, record.slot);
    readIfPresent(pool, item, ids::HARDWARE / ids::FPGA / ids::CHIP_TYPE, record.fpgaChipType);
    readIfPresent(pool, item, ids::HARDWARE / ids::MAINBOARD / ids::MODEL, record.mainboardModel);
    readIfPresent(pool, item, ids::PRODUCT / ids::OS_TYPE, record.osType);
    readIfPresent(pool, item, ids::PRODUCT / ids::HW_TYPE, record.hwType);
    readIfPresent(pool, item, ids::PRODUCT / ids::FW_TYPE, record.fwType);
}

void readCompatibility(VkCErrorListPool& pool, const VkCInventoryItem& item, BoardRecord& record) {
    if (readIfPresent(pool, item, ids::ACTIVE_FIRMWARE, record.activeFirmware)) {
        record.hasActiveFirmware = true;
    }
    if (readIfPresent(pool, item, ids::ACTIVE_FPGA, record.activeFpga)) {
        record.hasActiveFpga = true;
    }
    readIfPresent(pool, item, ids::PRODUCT / ids::HW_COMPATIBILITY_ID, record.hwCompatibilityId);
    readIfPresent(pool, item, ids::PRODUCT / ids::SW_COMPATIBILITY_ID, record.swCompatibilityId);
    readIfPresent(pool, item, ids::HARDWARE / ids::CPLD / ids::VERSION, record.cpldVersion);
}

// BOOTLOADER[3] stands alone; only without it are BOOTLOADER and BOOTLOADER[2] looked for.
void readBootLoaders(VkCErrorListPool& pool, const VkCInventoryItem& item, BoardRecord& record) {
    const VkCInventoryAddress loader = ids::HARDWARE / ids::BOOTLOADER;
    if (readIfPresent(pool, item, loader[3] / ids::VERSION, record.installedVersion(15))) {
        record.hasBootloader3 = true;
        return;
    }
    if (readIfPresent(pool, item, loader / ids::VERSION, record.installedVersion(13))) {
        record.hasBootloader = true;
    }
    if (readIfPresent(pool, item, loader[2] / ids::VERSION, record.installedVersion(14))) {
        record.hasBootloader2 = true;
    }
}

void readKindFlags(VkCErrorListPool& pool, const VkCInventoryItem& item, BoardRecord& record) {
    VkCString platform;
    if (readIfPresent(pool, item, ids::PRODUCT / ids::PLATFORM_TYPE, platform) &&
        (platform == "VKPC" || platform == "VKCN")) {
        record.isPcPlatform = true;
    }
    if (std::strcmp(item.getDescription(), "NETC") == 0) {
        record.isNetworkComponent = true;
    }
    if (item.getItem(ids::UPDATE_INFO) != nullptr) {
        record.hasUpdateInfo = true;
    }
    if (item.getParameter(ids::IPADDRESS) != nullptr) {
        record.hasIpAddress = true;
    }
}

void readInstalledVersions(VkCErrorListPool& pool, const VkCInventoryItem& item,
                           BoardRecord& record) {
    const VkCInventoryAddress* parts = installedPartAddresses();
    for (int i = 0; i < kInstalledParts; ++i) {
        readIfPresent(pool, item, parts[i] / ids::VERSION, record.installedVersion(i + 1));
    }
}

// Only the hypervisor-carrying boards keep an UPDATE_INFO entry with ID 14.
bool carriesHypervisorEntry(const BoardRecord& record) {
    return (record.hwType == 0 && record.boardType == "VKx86_32") ||
           (record.hwType == 3 && record.boardType == "VK7101");
}

const VkCInventoryItem* findHypervisorEntry(VkCErrorListPool& pool,
                                            const VkCInventoryItem& updateInfo) {
    for (const VkCInventoryItem* entry = updateInfo.getFirstSubItem(); entry != nullptr;
         entry = entry->getNext()) {
        uint32_t id = 0;
        if (readIfPresent(pool, *entry, ids::ID, id) && id == kHypervisorEntryId) {
            return entry;
        }
    }
    return nullptr;
}

void readUpdateInfoEntry(VkCErrorListPool& pool, const VkCInventoryItem& item,
                         BoardRecord& record) {
    const VkCInventoryItem* updateInfo = item.getItem(ids::UPDATE_INFO);
    if (!carriesHypervisorEntry(record) || updateInfo == nullptr) {
        return;
    }
    const VkCInventoryItem* entry = findHypervisorEntry(pool, *updateInfo);
    if (entry == nullptr) {
        return;
    }
    record.hasUpdateInfoEntry = true;
    readIfPresent(pool, *entry, ids::VERSION, record.installedVersion(kHypervisorVersionSlot));
    readIfPresent(pool, *entry, ids::VERSION_HISTORY,
                  record.versionHistory(kHypervisorHistorySlot));
    readIfPresent(pool, *entry, ids::CHECKSUM_CRC32,
                  record.installedChecksum(kHypervisorChecksumSlot));
}

void readHistoriesAndTimestamps(VkCErrorListPool& pool, const VkCInventoryItem& item,
                                BoardRecord& record) {
    const VkCInventoryAddress* parts = historyPartAddresses();
    for (int i = 0; i < kHistoryParts; ++i) {
        readIfPresent(pool, item, parts[i] / ids::VERSION_HISTORY, record.versionHistory(i + 1));
    }
    for (int i = 0; i < kHistoryParts; ++i) {
        readIfPresent(pool, item, parts[i] / ids::TIMESTAMP, record.timestamp(i + 1));
    }
}

void readChecksums(VkCErrorListPool& pool, const VkCInventoryItem& item, BoardRecord& record) {
    const VkCInventoryAddress* parts = installedPartAddresses();
    for (int i = 0; i < kInstalledParts; ++i) {
        readIfPresent(pool, item, parts[i] / ids::CHECKSUM_CRC32, record.installedChecksum(i + 1));
    }
}

}  // namespace

void readBoardValues(VkCErrorListPool& pool, const VkCInventoryItem& item, BoardRecord& record) {
    readIdentity(pool, item, record);
    readCompatibility(pool, item, record);
    readBootLoaders(pool, item, record);
    readKindFlags(pool, item, record);
    readInstalledVersions(pool, item, record);
    readUpdateInfoEntry(pool, item, record);
    readHistoriesAndTimestamps(pool, item, record);
    readChecksums(pool, item, record);
}
