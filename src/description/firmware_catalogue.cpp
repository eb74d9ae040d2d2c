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

// Update files looked at while the description is read, in the order their entries were read.
struct LooksWhileReading {
    std::vector<const VkCInventoryItem*> entries;  // in the description's tree
    std::vector<UpdateFileLook> looks;
};

// Whether the looks taken while reading are those of the catalogue's entries, each looked at
// once. An entry that a later sibling with the same ID continued was looked at twice, and its
// LOCATION may have changed in between.
bool looksFitEntries(const LooksWhileReading& taken, const VkCInventoryItem& root,
                     size_t entryCount) {
    if (taken.entries.size() != entryCount) {
        return false;
    }
    size_t k = 0;
    for (const VkCInventoryItem* item = root.getFirstSubItem(); item; item = item->getNext()) {
        if (entryKindOf(*item) == EntryKind::None) {
            continue;
        }
        if (k == entryCount || taken.entries[k++] != item) {
            return false;
        }
    }
    return true;
}

// Looks at every update file anew, on two threads: most of the time goes to opening files.
std::vector<UpdateFileLook> lookAtUpdateFiles(const std::wstring& firmwareFolder,
                                              const std::vector<UpdateFileRecord>& catalogue) {
    std::vector<UpdateFileLook> looks(catalogue.size());
    shareWork(looks.size(), [&](size_t i) {
        looks[i] = lookAtUpdateFile(firmwareFolder, catalogue[i].FileName);
    });
    return looks;
}

// The looks at every update file: those taken while reading when they fit the entries, else
// new ones.
std::vector<UpdateFileLook> updateFileLooks(const std::wstring& firmwareFolder,
                                            const std::vector<UpdateFileRecord>& catalogue,
                                            const VkCInventoryItem& description,
                                            LooksWhileReading&& taken) {
    if (looksFitEntries(taken, description, catalogue.size())) {
        return std::move(taken.looks);
    }
    taken = LooksWhileReading();
    return lookAtUpdateFiles(firmwareFolder, catalogue);
}

// Marks the files that cannot be opened, and the entries whose LOCATION would reach outside
// the firmware folder, as missing, and reports those refused for what they are; the others
// get their checksum.
void examineUpdateFiles(VkCErrorListPool& errors, const std::wstring& firmwareFolder,
                        const std::vector<UpdateFileLook>& looks,
                        std::vector<UpdateFileRecord>& catalogue) {
    for (size_t i = 0; i < catalogue.size(); ++i) {
        catalogue[i].IsMissing = !looks[i].readable;
        if (!looks[i].refusal.empty()) {
            const std::string path =
                updateFilePath(firmwareFolder, catalogue[i].FileName).value_or("");
            printFileWarning("The update file " + path + " is refused: " + looks[i].refusal +
                             ". It counts as missing.");
        }
    }
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (!catalogue[i].IsMissing) {
            catalogue[i].Crc32Checksum =
                updateFileChecksum(errors, firmwareFolder, looks[i].header, catalogue[i]);
        }
    }
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

// The LOCATION of an entry as its record will have it, read without reporting.
std::wstring fileNameOf(const VkCInventoryItem& entry) {
    VkCErrorListPool ignored;
    return locationOf(EntryValues(ignored, entry));
}

// Reads the description into the catalogue and sends the count event; returns the
// description's tree, null when it cannot be read. Each entry's update file is looked at as
// soon as the entry has been read: with the tree built on a second thread, beside the parse,
// the files are then opened while that thread would otherwise wait for the parser.
std::unique_ptr<VkCInventoryItem> readCatalogueEntries(VkCErrorListPool& errors,
                                                       const VkTCmdOptions& options,
                                                       ModuleState& state,
                                                       LooksWhileReading& taken) {
    const std::wstring& folder = options.firmwareFolder;
    std::unique_ptr<VkCInventoryItem> root = parseInventoryDocument(
        descriptionFilePath(folder, options.descriptionFile), folder,
        [&](const VkCInventoryItem& entry) {
            if (entryKindOf(entry) != EntryKind::None) {
                taken.entries.push_back(&entry);
                taken.looks.push_back(lookAtUpdateFile(folder, fileNameOf(entry)));
            }
        });
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
    LooksWhileReading taken;
    std::unique_ptr<VkCInventoryItem> description =
        readCatalogueEntries(errors, options, state, taken);
    if (!description) {
        return -1;
    }
    const std::vector<UpdateFileLook> looks = updateFileLooks(
        options.firmwareFolder, state.fileCatalogue, *description, std::move(taken));
    // The description's tree is no longer needed: it is deleted beside the rest.
    const TaskBeside deletion(looks.size(), [&] { description.reset(); });
    examineUpdateFiles(errors, options.firmwareFolder, looks, state.fileCatalogue);
    announceEntriesAndSizes(looks, state.fileCatalogue, state.maxUpdatePass);
    firmwareVersion = containerFirmwareVersion(state.fileCatalogue);
    state.catalogueRead = true;
    return 0;
}
