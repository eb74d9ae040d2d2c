#include "description/firmware_catalogue.h"

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

// Whether the update file can be read; a folder, pipe or device in its place is reported.
bool isReadableUpdateFile(const std::string& path) {
    const RegularFile file(path);
    if (file.isSpecialFile()) {
        printFileWarning("The update file " + path + " is refused: " + file.problem() +
                         ". It counts as missing.");
    }
    return file.isOpen();
}

// Marks the files that cannot be opened, and the entries whose LOCATION would reach outside
// the firmware folder, as missing; the others get their checksum.
void examineUpdateFiles(VkCErrorListPool& errors, const std::wstring& firmwareFolder,
                        std::vector<UpdateFileRecord>& catalogue) {
    std::vector<std::optional<std::string>> paths;
    paths.reserve(catalogue.size());
    for (UpdateFileRecord& record : catalogue) {
        paths.push_back(updateFilePath(firmwareFolder, record.FileName));
        record.IsMissing = !paths.back() || !isReadableUpdateFile(*paths.back());
    }
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (!catalogue[i].IsMissing) {
            catalogue[i].Crc32Checksum = updateFileChecksum(errors, *paths[i], catalogue[i]);
        }
    }
}

void announceEntriesAndSizes(const std::wstring& firmwareFolder,
                             std::vector<UpdateFileRecord>& catalogue, uint32_t maxUpdatePass) {
    for (UpdateFileRecord& record : catalogue) {
        sendCatalogueEntry(record, maxUpdatePass);
        if (!record.IsMissing) {
            const std::optional<std::string> path = updateFilePath(firmwareFolder, record.FileName);
            const std::optional<uint64_t> size = path ? fileSize(*path) : std::nullopt;
            record.FileSize = size.value_or(0);
        }
    }
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
    const std::unique_ptr<VkCInventoryItem> root =
        parseInventoryDocument(descriptionFilePath(options.firmwareFolder, options.descriptionFile),
                               options.firmwareFolder);
    if (!root) {
        return -1;
    }
    requireContainerVersion(errors, *root);

    ModuleState& state = moduleState();
    state.fileCount = countCatalogueEntries(*root);
    sendCatalogueCount(state.fileCount);
    state.fileCatalogue.assign(state.fileCount, UpdateFileRecord());
    state.maxUpdatePass = 0;
    fillCatalogue(errors, *root, options, state.fileCatalogue, state.maxUpdatePass);

    examineUpdateFiles(errors, options.firmwareFolder, state.fileCatalogue);
    announceEntriesAndSizes(options.firmwareFolder, state.fileCatalogue, state.maxUpdatePass);
    firmwareVersion = containerFirmwareVersion(state.fileCatalogue);
    state.catalogueRead = true;
    return 0;
}
