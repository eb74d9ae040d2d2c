#include "sim/update_part.h"

#include <ctime>
#include <vector>

#include "VkNInventoryIDs.h"
#include "sim/inventory_document.h"
#include "sim/sim_text.h"

namespace vksim {

namespace {

namespace Ids = VkNInventoryIDs;
using Element = InventoryElement;

constexpr uint32_t kUpdateInfoEntryId = 14;

// The items from the board down to the part, for every type but the UPDATE_INFO entry.
std::vector<Element> partPathOf(uint32_t type) {
    switch (type) {
        case 1:
            return {{Ids::Category_FIRMWARE, 1}};
        case 2:
            return {{Ids::Category_FIRMWARE, 2}};
        case 3:
            return {{Ids::Category_FPGAFIRMWARE, 1}};
        case 4:
            return {{Ids::Category_FPGAFIRMWARE, 2}};
        case 5:
            return {{Ids::Category_CNCPUCONFIGURATION, 1}};
        case 6:
            return {{Ids::Category_IPLFIRMWARE, 2}};
        case 7:
            return {{Ids::Category_IPLFIRMWARE, 1}};
        case 8:
            return {{Ids::Category_CNFIRMWARE, 1}};
        case 9:
            return {{Ids::Category_CNIPLFIRMWARE, 1}};
        case 10:
            return {{Ids::Category_HARDWARE, 1}, {Ids::Category_BOOTLOADER, 2}};
        case 11:
            return {{Ids::Category_IOFPGA, 1}, {Ids::Category_FPGAFIRMWARE, 1}};
        case 12:
            return {{Ids::Category_IOFPGA, 1}, {Ids::Category_FPGAFIRMWARE, 2}};
        case 13:
            return {{Ids::Category_IOFPGA, 1}, {Ids::Category_FPGAFIRMWARE, 3}};
        default:
            return {};
    }
}

bool isEntry14(const Json& item) {
    const Json id = parameterValue(item, Ids::Category_ID);
    uint64_t number = 0;
    return (id.is_number_unsigned() && id.get<uint64_t>() == kUpdateInfoEntryId) ||
           (id.is_string() && parseUnsigned(id.get<std::string>(), 0xFFFFFFFFu, number) &&
            number == kUpdateInfoEntryId);
}

// The UPDATE_INFO sub-item whose ID parameter is 14; added (as INFO[n]) when missing.
Json& updateInfoEntry(Json& board) {
    Json& updateInfo = findOrAddItem(board, {Ids::Category_UPDATE_INFO, 1});
    Json& items = updateInfo["items"];
    for (Json& item : items) {
        if (item.is_object() && isEntry14(item)) {
            return item;
        }
    }
    uint32_t freeIndex = 1;
    while (findItem(items, {Ids::Category_INFO, freeIndex}) != nullptr) {
        ++freeIndex;
    }
    Json& entry = findOrAddItem(updateInfo, {Ids::Category_INFO, freeIndex});
    setParameter(entry, Ids::Category_ID, kUpdateInfoEntryId);
    return entry;
}

// A board that runs without its user firmware (or user FPGA firmware) starts the one just
// written at the next start of the target.
void startUserPartAtNextStart(Json& board, uint32_t type) {
    uint32_t active = 0;
    if (type == VkNInventoryManager::FwFirmware) {
        active = Ids::Category_ACTIVE_FIRMWARE;
    } else if (type == VkNInventoryManager::FwFpgaFirmware) {
        active = Ids::Category_ACTIVE_FPGA;
    } else {
        return;
    }
    const Json state = parameterValue(board, active);
    uint64_t value = 0;
    const bool withoutUserPart =
        (state.is_number_unsigned() && state.get<uint64_t>() >= 2) ||
        (state.is_string() && parseUnsigned(state.get<std::string>(), 0xFF, value) && value >= 2);
    if (withoutUserPart) {
        board["nextStart"][Ids::Map.get(active)] = 1u;
    }
}

Json* boardItem(Json& doc, const VkCInventoryAddress& board) {
    std::vector<Element> path = board.elements();
    if (!path.empty() && path.front() == Element{Ids::Category_ROOT, 1}) {
        path.erase(path.begin());
    }
    Json* items = doc.contains("inventory") ? &doc["inventory"] : nullptr;
    Json* item = nullptr;
    for (const Element& element : path) {
        item = items != nullptr ? findItem(*items, element) : nullptr;
        if (item == nullptr) {
            return nullptr;
        }
        items = item->contains("items") ? &(*item)["items"] : nullptr;
    }
    return item;
}

}  // namespace

std::string partNameOf(VkNInventoryManager::FirmwareType type) {
    if (type == kUpdateInfoEntryId) {
        return "UPDATE_INFO entry 14";
    }
    std::string name;
    for (const Element& element : partPathOf(type)) {
        name += (name.empty() ? "" : "/") + formatInventoryId(element.category, element.index);
    }
    return name;
}

std::string timestampText(uint64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm calendar{};
    char text[32] = "";
    if (gmtime_r(&time, &calendar) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &calendar);
    }
    return text;
}

bool applyUpdateToDocument(Json& doc, const VkCInventoryAddress& board,
                           VkNInventoryManager::FirmwareType type, const ImageInfo& image,
                           uint64_t timestamp, std::string& error) {
    Json* boardJson = boardItem(doc, board);
    if (boardJson == nullptr) {
        error = "the board " + board.toString().str() + " is no longer in the inventory";
        return false;
    }
    const std::vector<Element> path = partPathOf(type);
    if (path.empty() && type != kUpdateInfoEntryId) {
        error = "firmware type " + std::to_string(type) + " names no part of a board";
        return false;
    }
    Json* part = boardJson;
    if (type == kUpdateInfoEntryId) {
        part = &updateInfoEntry(*boardJson);
    }
    for (const Element& element : path) {
        part = &findOrAddItem(*part, element);
    }
    const std::string version = image.version.getAsString().str();
    const std::string when = timestampText(timestamp);
    const Json oldHistory = parameterValue(*part, Ids::Category_VERSION_HISTORY);
    std::string history = oldHistory.is_string() ? oldHistory.get<std::string>() : "";
    history += (history.empty() ? "" : "\n") + when + " " + version;
    setParameter(*part, Ids::Category_VERSION, version);
    setParameter(*part, Ids::Category_CHECKSUM_CRC32, image.checksum);
    setParameter(*part, Ids::Category_TIMESTAMP, when);
    setParameter(*part, Ids::Category_VERSION_HISTORY, history);
    startUserPartAtNextStart(*boardJson, type);
    return true;
}

}  // namespace vksim
