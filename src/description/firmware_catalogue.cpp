// The firmware catalogue: the entries of the description read into update file records,
// each update file looked at once, and the catalogue announced to the host.
#include "description/firmware_catalogue.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "VkCInventoryManager.h"
#include "VkNInventoryIDs.h"
#include "description/inventory_document.h"
#include "description/regular_file.h"
#include "description/shared_work.h"
#include "description/update_file_access.h"
#include "description/value_conversion.h"
#include "description/xml_text.h"
#include "interface/module_state.h"
#include "reporting/format.h"
#include "reporting/host_events.h"
#include "utf8_conversion.h"

namespace {

namespace Ids = VkNInventoryIDs;

constexpr size_t kMaxLocationBytes = 4096;

// The kinds of description entries: direct sub items of the root named by one of these.
enum class EntryKind { None, Firmware, FpgaFirmware, BusFpga, BootLoader };

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
    return utf8ToWide(text.size() > kMaxLocationBytes ? text.substr(0, kMaxLocationBytes) : text);
}

VkCString entryTypeName(EntryKind kind, uint32_t fwType) {
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
    record.TypeName = entryTypeName(kind, record.FwType);
    setSelection(kind, options, record);
}

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

// The number of entries among the root's direct sub items.
uint32_t countCatalogueEntries(const VkCInventoryItem& root) {
    uint32_t count = 0;
    for (const VkCInventoryItem* item = root.getFirstSubItem(); item; item = item->getNext()) {
        if (entryKindOf(*item) != EntryKind::None) {
            ++count;
        }
    }
    return count;
}

// Fills catalogue (already sized to the number of entries, with the record defaults) from the
// entries in description order; maxUpdatePass is raised to the highest SEQUENCE read.
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

// Event 21: the number of catalogue entries.
void sendCatalogueCount(uint32_t count) {
    sendEvent(EvCatalogueCount, count);
}

// Event 34: one catalogue entry, with copies of its texts and version that live for the call.
void sendCatalogueEntry(const UpdateFileRecord& record, uint32_t maxUpdatePass) {
    if (!hostCallbackRegistered()) {
        return;
    }
    const VkCString boardType(record.BoardType);
    const VkCString typeName(record.TypeName);
    const VkCVersion version(record.Version);
    ParameterSet event = makeEvent(EvCatalogueEntry);
    event.text1 = &boardType;
    event.text2 = &typeName;
    event.ref1 = &version;
    event.updatePass = record.UpdatePass;
    event.isMissing = record.IsMissing ? 1 : 0;
    event.maxUpdatePass = maxUpdatePass;
    event.isSelected = record.IsSelected ? 1 : 0;
    event.fwCompabilityId = record.FwCompabilityId;
    event.isBusFpga = record.IsBusFpga ? 1 : 0;
    event.isBootLoader = record.IsBootLoader ? 1 : 0;
    event.fwType = record.FwType;
    sendEvent(event);
}

constexpr uint32_t kBootLoaderFwType = 10;

// What the one look at an update file found: every later step works from it, so that each
// file is opened and read once. A look is small, since there is one per entry while the
// description's tree may still be held.
struct UpdateFileLook {
    // Kept only where a later step reads it: the file embeds an inventory, or is refused.
    std::string path;
    UpdateFileHeader header;
    uint64_t size = 0;
    bool readable = false;
    std::string refusal;  // why a folder, pipe or device in the file's place is refused
};

// Opens the update file and reads what its checksum needs; a folder, pipe or device in its
// place counts as unreadable. Prints nothing, so that files can be looked at side by side.
UpdateFileLook lookAtUpdateFile(const std::wstring& firmwareFolder,
                                const UpdateFileRecord& record) {
    UpdateFileLook look;
    std::optional<std::string> path = updateFilePath(firmwareFolder, record.FileName);
    if (!path) {
        return look;  // the LOCATION would reach outside the folder
    }
    RegularFile file(*path);
    if (file.isSpecialFile()) {
        look.refusal = file.problem();
        look.path = std::move(*path);
    }
    if (file.isOpen()) {
        look.readable = true;
        look.size = file.size();
        look.header = readUpdateFileHeader(file);
        if (embedsInventory(look.header.firstBytes, record)) {
            look.path = std::move(*path);
        }
    }
    return look;
}

// Looks at every update file, on two threads: most of the time goes to opening files. The
// helper thread first deletes the description's tree, which is no longer needed.
std::vector<UpdateFileLook> lookAtUpdateFiles(const std::wstring& firmwareFolder,
                                              const std::vector<UpdateFileRecord>& catalogue,
                                              std::unique_ptr<VkCInventoryItem> description) {
    std::vector<UpdateFileLook> looks(catalogue.size());
    shareWork(
        looks.size(), [&](size_t i) { looks[i] = lookAtUpdateFile(firmwareFolder, catalogue[i]); },
        [&] { description.reset(); });
    return looks;
}

// Marks the files that cannot be opened, and the entries whose LOCATION would reach outside
// the firmware folder, as missing, and reports those refused for what they are; the others
// get their checksum. The looks are kept for the sizes.
std::vector<UpdateFileLook> examineUpdateFiles(VkCErrorListPool& errors,
                                               const std::wstring& firmwareFolder,
                                               std::vector<UpdateFileRecord>& catalogue,
                                               std::unique_ptr<VkCInventoryItem> description) {
    std::vector<UpdateFileLook> looks =
        lookAtUpdateFiles(firmwareFolder, catalogue, std::move(description));
    for (size_t i = 0; i < catalogue.size(); ++i) {
        catalogue[i].IsMissing = !looks[i].readable;
        if (!looks[i].refusal.empty()) {
            printFileWarning("The update file " + looks[i].path +
                             " is refused: " + looks[i].refusal + ". It counts as missing.");
        }
    }
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (!catalogue[i].IsMissing) {
            catalogue[i].Crc32Checksum =
                updateFileChecksum(errors, looks[i].path, looks[i].header, catalogue[i]);
        }
    }
    return looks;
}

// The sizes are those the files had when they were examined.
void announceEntriesAndSizes(const std::vector<UpdateFileLook>& looks,
                             std::vector<UpdateFileRecord>& catalogue, uint32_t maxUpdatePass) {
    for (size_t i = 0; i < catalogue.size(); ++i) {
        UpdateFileRecord& record = catalogue[i];
        sendCatalogueEntry(record, maxUpdatePass);
        if (!record.IsMissing) {
            record.FileSize = looks[i].size;
        }
    }
}

// Reads the description into the catalogue and sends the count event; returns the
// description's tree, null when it cannot be read.
std::unique_ptr<VkCInventoryItem> readCatalogueEntries(VkCErrorListPool& errors,
                                                       const VkTCmdOptions& options,
                                                       ModuleState& state) {
    std::unique_ptr<VkCInventoryItem> root =
        parseInventoryDocument(descriptionFilePath(options.firmwareFolder, options.descriptionFile),
                               options.firmwareFolder);
    if (!root) {
        return nullptr;
    }
    requireContainerVersion(errors, *root);
    const uint32_t fileCount = countCatalogueEntries(*root);
    sendCatalogueCount(fileCount);
    state.fileCatalogue.assign(fileCount, UpdateFileRecord());
    state.maxUpdatePass = 0;
    fillCatalogue(errors, *root, options, state.fileCatalogue, state.maxUpdatePass);
    return root;
}

// The version of the first file that is firmware proper: no bus FPGA image, no boot loader,
// no VKx86_32 boot loader part.
VkCVersion containerFirmwareVersion(const std::vector<UpdateFileRecord>& catalogue) {
    for (const UpdateFileRecord& record : catalogue) {
        const bool x86BootLoader =
            record.BoardType == "VKx86_32" && record.FwType == kBootLoaderFwType;
        if (!record.IsBusFpga && !record.IsBootLoader && !x86BootLoader) {
            return record.Version;
        }
    }
    return VkCVersion();
}

}  // namespace

int32_t readFirmwareDescription(VkCErrorListPool& errors, VkTCmdOptions options,
                                VkCVersion& firmwareVersion) {
    ModuleState& state = moduleState();
    std::unique_ptr<VkCInventoryItem> description = readCatalogueEntries(errors, options, state);
    if (!description) {
        return -1;
    }
    const std::vector<UpdateFileLook> looks = examineUpdateFiles(
        errors, options.firmwareFolder, state.fileCatalogue, std::move(description));
    announceEntriesAndSizes(looks, state.fileCatalogue, state.maxUpdatePass);
    firmwareVersion = containerFirmwareVersion(state.fileCatalogue);
    state.catalogueRead = true;
    return 0;
}
