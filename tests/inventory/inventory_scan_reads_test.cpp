#include <gtest/gtest.h>

#include "interface/run_records.h"
#include "inventory/inventory_builder.h"
#include "inventory/inventory_scan.h"

namespace ids = VkNInventoryIDs;

namespace {

class ScanReads : public testing::Test {
  protected:
    // Scans the tree and gives the single record it must yield.
    const BoardRecord& scanOne() {
        count_ = 0;
        scanInventory(builder_.pool(), builder_.root(), 2, table_, count_, true);
        EXPECT_EQ(table_.size(), 1u);
        return table_.at(0);
    }
    VkCInventoryItem* hcn(const char* boardType = "VKx86_32") {
        return builder_.board(builder_.root(), ids::HCN, boardType, 4711, 0x20001);
    }

    InventoryBuilder builder_;
    BoardTable table_;
    uint32_t count_ = 0;
};

TEST_F(ScanReads, IdentityAndCompatibilityValues) {
    VkCInventoryItem* board = hcn();
    InventoryBuilder& b = builder_;
    b.setText(board, ids::PRODUCT / ids::NAME, "TALVERON RT PC");
    b.setText(board, ids::PRODUCT / ids::PLATFORM_TYPE, "VKPC");
    b.setVersion(board, ids::PRODUCT / ids::PRODUCT_VERSION, "2.1");
    b.set<uint32_t>(board, ids::SLOT, 3);
    b.set<uint32_t>(board, ids::HARDWARE / ids::FPGA / ids::CHIP_TYPE, 0x51);
    b.setText(board, ids::HARDWARE / ids::MAINBOARD / ids::MODEL, "D2778");
    b.setText(board, ids::PRODUCT / ids::OS_TYPE, "QNX");
    b.set<uint32_t>(board, ids::PRODUCT / ids::HW_TYPE, 2);
    b.set<uint32_t>(board, ids::PRODUCT / ids::FW_TYPE, 7);
    b.set<uint8_t>(board, ids::ACTIVE_FIRMWARE, 1);
    b.set<uint8_t>(board, ids::ACTIVE_FPGA, 2);
    b.set<uint32_t>(board, ids::PRODUCT / ids::HW_COMPATIBILITY_ID, 11);
    b.set<uint32_t>(board, ids::PRODUCT / ids::SW_COMPATIBILITY_ID, 12);
    b.setVersion(board, ids::HARDWARE / ids::CPLD / ids::VERSION, "4.1");

    const BoardRecord& r = scanOne();
    EXPECT_EQ(r.address, ids::ROOT / ids::HCN);
    EXPECT_EQ(r.boardType, "VKx86_32");
    EXPECT_EQ(r.systemClass, 0x20001u);
    EXPECT_EQ(r.productName, "TALVERON RT PC");
    EXPECT_EQ(r.platformType, "VKPC");
    EXPECT_EQ(r.productVersion, VkCVersion("2.1"));
    EXPECT_EQ(r.serialNumber, 4711u);
    EXPECT_EQ(r.slot, 3u);
    EXPECT_EQ(r.fpgaChipType, 0x51u);
    EXPECT_EQ(r.mainboardModel, "D2778");
    EXPECT_EQ(r.osType, "QNX");
    EXPECT_EQ(r.hwType, 2u);
    EXPECT_EQ(r.fwType, 7u);
    EXPECT_EQ(r.activeFirmware, 1);
    EXPECT_TRUE(r.hasActiveFirmware);
    EXPECT_EQ(r.activeFpga, 2);
    EXPECT_TRUE(r.hasActiveFpga);
    EXPECT_EQ(r.hwCompatibilityId, 11u);
    EXPECT_EQ(r.swCompatibilityId, 12u);
    EXPECT_EQ(r.cpldVersion, VkCVersion("4.1"));
    EXPECT_TRUE(r.isPcPlatform);
    EXPECT_EQ(builder_.pool().getErrorCount(), 0u);
}

TEST_F(ScanReads, AbsentValuesKeepTheirInitialValues) {
    hcn();
    const BoardRecord& r = scanOne();
    EXPECT_FALSE(r.hasActiveFirmware);
    EXPECT_FALSE(r.hasActiveFpga);
    EXPECT_EQ(r.activeFirmware, 0);
    EXPECT_TRUE(r.productName.isEmpty());
    EXPECT_EQ(r.cpldVersion.getAsULong64(), 0u);
    EXPECT_FALSE(r.hasBootloader || r.hasBootloader2 || r.hasBootloader3);
    EXPECT_FALSE(r.hasUpdateInfo || r.hasUpdateInfoEntry || r.hasIpAddress);
    EXPECT_FALSE(r.isPcPlatform || r.isNetworkComponent);
    for (int slot = 1; slot <= kInstalledChecksumSlots; ++slot) {
        EXPECT_EQ(r.installedChecksum(slot), kUnknownChecksum) << "slot " << slot;
    }
    EXPECT_EQ(builder_.pool().getErrorCount(), 0u);
}

TEST_F(ScanReads, InstalledPartsFillTheirSlots) {
    VkCInventoryItem* board = hcn();
    const VkCInventoryAddress parts[] = {
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
    for (int i = 0; i < 12; ++i) {
        const std::string version = "1." + std::to_string(i + 1);
        builder_.setVersion(board, parts[i] / ids::VERSION, version.c_str());
        builder_.set<uint32_t>(board, parts[i] / ids::CHECKSUM_CRC32, 0x1000u + i);
    }
    const BoardRecord& r = scanOne();
    for (int slot = 1; slot <= 12; ++slot) {
        EXPECT_EQ(r.installedVersion(slot).getAsString(), ("1." + std::to_string(slot)).c_str())
            << "slot " << slot;
        EXPECT_EQ(r.installedChecksum(slot), 0x1000u + slot - 1) << "slot " << slot;
    }
    EXPECT_EQ(r.installedChecksum(13), kUnknownChecksum);
    EXPECT_EQ(r.installedVersion(16).getAsULong64(), 0u);
}

TEST_F(ScanReads, HistoriesAndTimestampsFillTheirSlots) {
    VkCInventoryItem* board = hcn();
    const VkCInventoryAddress parts[] = {
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
    for (int i = 0; i < 9; ++i) {
        const std::string n = std::to_string(i + 1);
        builder_.setText(board, parts[i] / ids::VERSION_HISTORY, ("history " + n).c_str());
        builder_.setText(board, parts[i] / ids::TIMESTAMP, ("time " + n).c_str());
    }
    // The second firmware image has no slot of its own in these tables.
    builder_.setText(board, ids::FIRMWARE[2] / ids::VERSION_HISTORY, "not kept");
    const BoardRecord& r = scanOne();
    for (int slot = 1; slot <= 9; ++slot) {
        EXPECT_EQ(r.versionHistory(slot), ("history " + std::to_string(slot)).c_str());
        EXPECT_EQ(r.timestamps[slot - 1], ("time " + std::to_string(slot)).c_str());
    }
    EXPECT_TRUE(r.versionHistory(10).isEmpty());
}

struct BootLoaderCase {
    const char* name;
    bool loader1, loader2, loader3;
    bool has1, has2, has3;
};

class ScanBootLoaders : public ScanReads, public testing::WithParamInterface<BootLoaderCase> {};

TEST_P(ScanBootLoaders, ThirdLoaderStandsAlone) {
    const BootLoaderCase& c = GetParam();
    VkCInventoryItem* board = hcn();
    const VkCInventoryAddress loader = ids::HARDWARE / ids::BOOTLOADER;
    if (c.loader1) {
        builder_.setVersion(board, loader / ids::VERSION, "1.1");
    }
    if (c.loader2) {
        builder_.setVersion(board, loader[2] / ids::VERSION, "1.2");
    }
    if (c.loader3) {
        builder_.setVersion(board, loader[3] / ids::VERSION, "1.3");
    }
    const BoardRecord& r = scanOne();
    EXPECT_EQ(r.hasBootloader, c.has1) << c.name;
    EXPECT_EQ(r.hasBootloader2, c.has2) << c.name;
    EXPECT_EQ(r.hasBootloader3, c.has3) << c.name;
    EXPECT_EQ(r.installedVersion(13), c.has1 ? VkCVersion("1.1") : VkCVersion()) << c.name;
    EXPECT_EQ(r.installedVersion(14), c.has2 ? VkCVersion("1.2") : VkCVersion()) << c.name;
    EXPECT_EQ(r.installedVersion(15), c.has3 ? VkCVersion("1.3") : VkCVersion()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Inventory, ScanBootLoaders,
    testing::Values(BootLoaderCase{"none", false, false, false, false, false, false},
                    BootLoaderCase{"first", true, false, false, true, false, false},
                    BootLoaderCase{"first and second", true, true, false, true, true, false},
                    BootLoaderCase{"second alone", false, true, false, false, true, false},
                    BootLoaderCase{"third and first", true, false, true, false, false, true},
                    BootLoaderCase{"all three", true, true, true, false, false, true}));

struct TextCase {
    const char* text;
    bool matches;
};

class ScanPlatformType : public ScanReads, public testing::WithParamInterface<TextCase> {};

TEST_P(ScanPlatformType, ComparesWholeTexts) {
    builder_.setText(hcn(), ids::PRODUCT / ids::PLATFORM_TYPE, GetParam().text);
    EXPECT_EQ(scanOne().isPcPlatform, GetParam().matches) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Inventory, ScanPlatformType,
                         testing::Values(TextCase{"VKPC", true}, TextCase{"VKCN", true},
                                         TextCase{"VKPCX", false}, TextCase{"VKP", false},
                                         TextCase{"vkpc", false}, TextCase{"", false}));

TEST_F(ScanReads, NetworkComponentIsKnownByTheItemDescription) {
    builder_.board(builder_.root(), ids::NETC, "VK7102", 1);
    EXPECT_TRUE(scanOne().isNetworkComponent);
}

TEST_F(ScanReads, DescriptionNetcMarksAnyBoardAsNetworkComponent) {
    VkCInventoryItem* board = builder_.add(builder_.root(), ids::HCN, "NETC");
    builder_.setText(board, ids::PRODUCT / ids::BOARD_TYPE, "VKx86_32");
    EXPECT_TRUE(scanOne().isNetworkComponent);
}

TEST_F(ScanReads, DescriptionThatOnlyStartsWithNetcDoesNotCount) {
    builder_.add(builder_.root(), ids::HCN, "NETCX");
    EXPECT_FALSE(scanOne().isNetworkComponent);
}

TEST_F(ScanReads, IpAddressParameterIsNoted) {
    builder_.set<uint32_t>(hcn(), ids::IPADDRESS, 0xC0A80001u);
    EXPECT_TRUE(scanOne().hasIpAddress);
}

// Adds an UPDATE_INFO item with one sub item per entry ID (0: an entry without an ID).
void addUpdateInfo(InventoryBuilder& b, VkCInventoryItem* board,
                   std::initializer_list<uint32_t> entryIds) {
    VkCInventoryItem* info = b.add(board, ids::UPDATE_INFO);
    uint32_t index = 1;
    for (uint32_t id : entryIds) {
        VkCInventoryItem* entry = b.add(info, ids::INFO[index]);
        const std::string tag = std::to_string(index);
        if (id != 0) {
            b.set<uint32_t>(entry, ids::ID, id);
        }
        b.setVersion(entry, ids::VERSION, ("9." + tag).c_str());
        b.setText(entry, ids::VERSION_HISTORY, ("entry " + tag).c_str());
        b.set<uint32_t>(entry, ids::CHECKSUM_CRC32, 0xA000u + index);
        ++index;
    }
}

struct UpdateInfoCase {
    const char* boardType;
    uint32_t hwType;
    bool entryRead;
};

class ScanUpdateInfo : public ScanReads, public testing::WithParamInterface<UpdateInfoCase> {};

TEST_P(ScanUpdateInfo, EntryWithId14OnlyForHypervisorBoards) {
    const UpdateInfoCase& c = GetParam();
    VkCInventoryItem* board = hcn(c.boardType);
    builder_.set<uint32_t>(board, ids::PRODUCT / ids::HW_TYPE, c.hwType);
    addUpdateInfo(builder_, board, {0, 12, 14, 14});
    const BoardRecord& r = scanOne();
    EXPECT_TRUE(r.hasUpdateInfo);
    EXPECT_EQ(r.hasUpdateInfoEntry, c.entryRead);
    if (c.entryRead) {
        EXPECT_EQ(r.installedVersion(16), VkCVersion("9.3"));
        EXPECT_EQ(r.versionHistory(10), "entry 3");
        EXPECT_EQ(r.installedChecksum(13), 0xA003u);
    } else {
        EXPECT_EQ(r.installedVersion(16).getAsULong64(), 0u);
        EXPECT_TRUE(r.versionHistory(10).isEmpty());
        EXPECT_EQ(r.installedChecksum(13), kUnknownChecksum);
    }
}

INSTANTIATE_TEST_SUITE_P(Inventory, ScanUpdateInfo,
                         testing::Values(UpdateInfoCase{"VK7101", 3, true},
                                         UpdateInfoCase{"VK7101", 2, false},
                                         UpdateInfoCase{"VKx86_32", 0, true},
                                         UpdateInfoCase{"VKx86_32", 3, false},
                                         UpdateInfoCase{"VK7102", 3, false}));

TEST_F(ScanReads, UpdateInfoWithoutEntry14StoresNothing) {
    VkCInventoryItem* board = hcn("VK7101");
    builder_.set<uint32_t>(board, ids::PRODUCT / ids::HW_TYPE, 3);
    addUpdateInfo(builder_, board, {12, 0});
    const BoardRecord& r = scanOne();
    EXPECT_TRUE(r.hasUpdateInfo);
    EXPECT_FALSE(r.hasUpdateInfoEntry);
    EXPECT_EQ(r.installedChecksum(13), kUnknownChecksum);
}

TEST_F(ScanReads, EntryWithoutValuesIsStillNoted) {
    VkCInventoryItem* board = hcn("VKx86_32");
    builder_.set<uint32_t>(board, ids::PRODUCT / ids::HW_TYPE, 0);
    VkCInventoryItem* info = builder_.add(board, ids::UPDATE_INFO);
    builder_.set<uint32_t>(builder_.add(info, ids::INFO), ids::ID, 14);
    const BoardRecord& r = scanOne();
    EXPECT_TRUE(r.hasUpdateInfoEntry);
    EXPECT_EQ(r.installedVersion(16).getAsULong64(), 0u);
    EXPECT_EQ(r.installedChecksum(13), kUnknownChecksum);
}

TEST_F(ScanReads, ValueOfAnotherTypeLeavesAnErrorAndTheScanGoesOn) {
    VkCInventoryItem* board = builder_.add(builder_.root(), ids::HCN);
    builder_.setText(board, ids::PRODUCT / ids::SERIAL_NUMBER, "4711");
    builder_.setText(board, ids::PRODUCT / ids::NAME, "After the bad value");
    const BoardRecord& r = scanOne();
    EXPECT_GT(builder_.pool().getErrorCount(), 0u);
    EXPECT_EQ(r.serialNumber, 0u);
    EXPECT_EQ(r.productName, "After the bad value");
}

}  // namespace
