#include "description/catalogue_entries.h"

#include <cstring>
#include <string>

#include "VkCInventoryManager.h"
#include "VkNInventoryIDs.h"
#include "description/entry_values.h"
#include "reporting/format.h"

namespace {

namespace Ids = VkNInventoryIDs;

constexpr size_t kMaxLocationBytes = 4096;

void readOptionalValues(const EntryValues& values, UpdateFileRecord& record) {
    values.readOptional(Ids::HW_TYPE, record.HwType);
    values.readOptional(Ids::FW_COMPATIBILITY_ID, record.FwCompabilityId);
    values.readOptional(Ids::MIN_HW_COMPATIBILITY_ID, record.MinHwCompatibilityId);
    values.readOptional(Ids::MAX_HW_COMPATIBILITY_ID, record.MaxHwCompatibilityId);
    values.readOptional(Ids::MIN_SW_COMPATIBILITY_ID, record.MinSwCompatibilityId);
    values.readOptional(Ids::MAX_SW_COMPATIBILITY_ID, record.MaxSwCompatibilityId);
    values.readOptional(Ids::OS_TYPE, record.OsType);
}

std::wstring locationOf(const EntryValues& values) {
    VkCString location;
    values.read(Ids::LOCATION, location);
    const std::string& text = location.str();
    return toWide(text.size() > kMaxLocationBytes ? text.substr(0, kMaxLocationBytes) : text);
}

VkCString typeNameOf(EntryKind kind, uint32_t fwType) {
    switch (kind) {
        case EntryKind::BusFpga:
            return VkCString("FPGA file");
        case EntryKind::BootLoader:
            return VkCString("BootLoader");
        default:
            return VkCInventoryManager::getFirmwareTypeString(
                static_cast<VkNInventoryManager::FirmwareType>(fwType));
    }
}

void setSelection(EntryKind kind, const VkTCmdOptions& options, UpdateFileRecord& record) {
    switch (kind) {
        case EntryKind::Firmware:
            record.IsSelected = options.updateFirmware;
            break;
        case EntryKind::FpgaFirmware:
            record.IsSelected = options.updateFpgaFirmware;
            break;
        case EntryKind::BusFpga:
            record.IsBusFpga = true;
            record.IsSelected = options.updateBusFpga;
            break;
        case EntryKind::BootLoader:
            record.IsBootLoader = true;
            record.IsSelected = true;  // boot loaders always take part
            break;
        case EntryKind::None:
            break;
    }
}

void fillRecord(VkCErrorListPool& errors, const VkCInventoryItem& entry, EntryKind kind,
                const VkTCmdOptions& options, UpdateFileRecord& record, uint32_t& maxUpdatePass) {
    const EntryValues values(errors, entry);
    record.FileName = locationOf(values);
    values.read(Ids::BOARD_TYPE, record.BoardType);
    values.read(Ids::VERSION, record.Version);
    values.read(Ids::FIRMWARE, record.FwType);
    if (kind != EntryKind::BootLoader) {
        values.read(Ids::SEQUENCE, record.UpdatePass);
        if (record.UpdatePass > maxUpdatePass) {
            maxUpdatePass = record.UpdatePass;
        }
    }
    if (kind == EntryKind::FpgaFirmware) {
        values.read(Ids::CHIP_TYPE, record.FpgaType);
    } else if (kind == EntryKind::BusFpga || kind == EntryKind::BootLoader) {
        values.read(Ids::TARGET_FILE_NAME, record.TargetFileName);
    }
    readOptionalValues(values, record);
    record.TypeName = typeNameOf(kind, record.FwType);
    setSelection(kind, options, record);
}

}  // namespace

EntryKind entryKindOf(const VkCInventoryItem& item) {
    static const struct {
        const char* name;
        EntryKind kind;
    } kKinds[] = {
        {"FIRMWARE", EntryKind::Firmware},
        {"FPGAFIRMWARE", EntryKind::FpgaFirmware},
        {"BUSFPGA", EntryKind::BusFpga},
        {"BOOTLOADER", EntryKind::BootLoader},
    };
    const char* description = item.getDescription();
    for (const auto& kind : kKinds) {
        if (std::strcmp(description, kind.name) == 0) {
            return kind.kind;
        }
    }
    return EntryKind::None;
}

uint32_t countCatalogueEntries(const VkCInventoryItem& root) {
    uint32_t count = 0;
    for (const VkCInventoryItem* item = root.getFirstSubItem(); item; item = item->getNext()) {
        if (entryKindOf(*item) != EntryKind::None) {
            ++count;
        }
    }
    return count;
}

void fillCatalogue(VkCErrorListPool& errors, const VkCInventoryItem& root,
                   const VkTCmdOptions& options, std::vector<UpdateFileRecord>& catalogue,
                   uint32_t& maxUpdatePass) {
    size_t k = 0;
    for (const VkCInventoryItem* item = root.getFirstSubItem(); item && k < catalogue.size();
         item = item->getNext()) {
        const EntryKind kind = entryKindOf(*item);
        if (kind != EntryKind::None) {
            fillRecord(errors, *item, kind, options, catalogue[k++], maxUpdatePass);
        }
    }
}
