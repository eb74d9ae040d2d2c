#include "sim/target_start.h"

#include <fcntl.h>

#include <optional>

#include "VkNInventoryIDs.h"
#include "sim/cfdrive_path.h"
#include "sim/images.h"
#include "sim/inventory_document.h"
#include "sim/inventory_json.h"

namespace vksim {

namespace {

namespace Ids = VkNInventoryIDs;

// Opens a regular file below cfdrive without following symbolic links; invalid otherwise.
UniqueFd openCfdriveFile(const std::string& targetFolder, const std::vector<std::string>& path) {
    std::string ignored;
    const std::vector<std::string> folders(path.begin(), path.end() - 1);
    const UniqueFd folder = openCfdriveFolder(targetFolder, folders, ignored);
    if (!folder.valid()) {
        return UniqueFd();
    }
    return openRegularFile(folder.get(), path.back(), O_RDONLY | O_NOFOLLOW).fd;
}

void takeUpBootLoader(Target& target, const BootLoaderFile& bootLoader) {
    const UniqueFd file = openCfdriveFile(target.folder, bootLoader.file);
    ImageInfo image;
    std::string ignored;
    if (!file.valid() || !inspectOpenImage(file.get(), image, ignored)) {
        return;
    }
    Json& part = findOrAddInventoryItem(target.doc, bootLoader.part);
    setParameter(part, Ids::Category_VERSION, image.version.getAsString().str());
}

// The VERSION of the FIRMWARE of the top-level HCN item, when it has one.
std::optional<VkCVersion> processingUnitFirmware(Json& doc) {
    Json* hcn = findItem(doc["inventory"], {Ids::Category_HCN, 1});
    Json* firmware = hcn != nullptr && hcn->contains("items")
                         ? findItem((*hcn)["items"], {Ids::Category_FIRMWARE, 1})
                         : nullptr;
    const Json version = firmware ? parameterValue(*firmware, Ids::Category_VERSION) : Json();
    VkCVersion parsed;
    if (!version.is_string() || !parsed.setByString(version.get<std::string>().c_str())) {
        return std::nullopt;
    }
    return parsed;
}

void addReportedUpdateInfo(Json& items, const VkCVersion& firmware) {
    if (!items.is_array()) {
        return;
    }
    for (Json& item : items) {
        const auto from = item.find("updateInfoFrom");
        if (from != item.end() && firmware >= VkCVersion(from->get<std::string>().c_str())) {
            findOrAddItem(item, {Ids::Category_UPDATE_INFO, 1});
        }
        if (item.contains("items")) {
            addReportedUpdateInfo(item["items"], firmware);
        }
    }
}

// Every item reports the parameters of its "nextStart" from now on.
void takeUpNextStart(Json& items) {
    if (!items.is_array()) {
        return;
    }
    for (Json& item : items) {
        const auto nextStart = item.find("nextStart");
        if (nextStart != item.end() && nextStart->is_object()) {
            for (auto it = nextStart->begin(); it != nextStart->end(); ++it) {
                VkCInventoryAddress id;
                if (parameterIdOf(it.key(), id)) {
                    setParameter(item, id.getCategory(), it.value());
                }
            }
            item.erase("nextStart");
        }
        if (item.contains("items")) {
            takeUpNextStart(item["items"]);
        }
    }
}

}  // namespace

void takeUpWrittenFirmware(Target& target) {
    takeUpNextStart(target.doc["inventory"]);
    for (const BootLoaderFile& bootLoader : target.bootLoaders) {
        takeUpBootLoader(target, bootLoader);
    }
    if (const std::optional<VkCVersion> firmware = processingUnitFirmware(target.doc)) {
        addReportedUpdateInfo(target.doc["inventory"], *firmware);
    }
}

}  // namespace vksim
