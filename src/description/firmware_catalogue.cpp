#include "description/firmware_catalogue.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "description/catalogue_checksum.h"
#include "description/catalogue_entries.h"
#include "description/catalogue_events.h"
#include "description/container_version.h"
#include "description/inventory_document.h"
#include "description/regular_file.h"
#include "description/update_file_access.h"
#include "description/xml_messages.h"
#include "interface/module_state.h"

namespace {

constexpr uint32_t kBootLoaderFwType = 10;

// What the one look at an update file found: every later step works from it, so that each
// file is opened and read once.
struct UpdateFileLook {
    std::optional<std::string> path;  // none: the LOCATION would reach outside the folder
    UpdateFileHeader header;
    uint64_t size = 0;
    bool readable = false;
};

// Opens the update file and reads what its checksum needs; a folder, pipe or device in its
// place is reported and counts as unreadable.
UpdateFileLook lookAtUpdateFile(const std::wstring& firmwareFolder, const std::wstring& fileName) {
    UpdateFileLook look;
    look.path = updateFilePath(firmwareFolder, fileName);
    if (!look.path) {
        return look;
    }
    RegularFile file(*look.path);
    if (file.isSpecialFile()) {
        printFileWarning("The update file " + *look.path + " is refused: " + file.problem() +
                         ". It counts as missing.");
    }
    if (file.isOpen()) {
        look.readable = true;
        look.size = file.size();
        look.header = readUpdateFileHeader(file);
    }
    return look;
}

// Marks the files that cannot be opened, and the entries whose LOCATION would reach outside
// the firmware folder, as missing; the others get their checksum. The looks are kept for the
// sizes.
std::vector<UpdateFileLook> examineUpdateFiles(VkCErrorListPool& errors,
                                               const std::wstring& firmwareFolder,
                                               std::vector<UpdateFileRecord>& catalogue) {
    std::vector<UpdateFileLook> looks;
    looks.reserve(catalogue.size());
    for (UpdateFileRecord& record : catalogue) {
        looks.push_back(lookAtUpdateFile(firmwareFolder, record.FileName));
        record.IsMissing = !looks.back().readable;
    }
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (!catalogue[i].IsMissing) {
            catalogue[i].Crc32Checksum =
                updateFileChecksum(errors, *looks[i].path, looks[i].header, catalogue[i]);
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

// Reads the description into the catalogue and sends the count event; false when it cannot be
// read. The description's tree is released on return, before the update files are examined.
bool readCatalogueEntries(VkCErrorListPool& errors, const VkTCmdOptions& options,
                          ModuleState& state) {
    const std::unique_ptr<VkCInventoryItem> root =
        parseInventoryDocument(descriptionFilePath(options.firmwareFolder, options.descriptionFile),
                               options.firmwareFolder);
    if (!root) {
        return false;
    }
    requireContainerVersion(errors, *root);
    const uint32_t fileCount = countCatalogueEntries(*root);
    sendCatalogueCount(fileCount);
    state.fileCatalogue.assign(fileCount, UpdateFileRecord());
    state.maxUpdatePass = 0;
    fillCatalogue(errors, *root, options, state.fileCatalogue, state.maxUpdatePass);
    return true;
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
    if (!readCatalogueEntries(errors, options, state)) {
        return -1;
    }
    const std::vector<UpdateFileLook> looks =
        examineUpdateFiles(errors, options.firmwareFolder, state.fileCatalogue);
    announceEntriesAndSizes(looks, state.fileCatalogue, state.maxUpdatePass);
    firmwareVersion = containerFirmwareVersion(state.fileCatalogue);
    state.catalogueRead = true;
    return 0;
}
