// vksim show: the target's boards and their installed parts at a glance.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VkNInventoryIDs.h"
#include "commands.h"
#include "sim/sim_text.h"
#include "sim/target_cache.h"

namespace vksim::tool {

namespace {

namespace Ids = VkNInventoryIDs;

struct Part {
    const char* label;
    VkCInventoryAddress path;
};

const std::vector<Part>& parts() {
    static const std::vector<Part> kParts = {
        {"FIRMWARE", Ids::FIRMWARE},
        {"FIRMWARE[2]", Ids::FIRMWARE[2]},
        {"FPGAFIRMWARE", Ids::FPGAFIRMWARE},
        {"FPGAFIRMWARE[2]", Ids::FPGAFIRMWARE[2]},
        {"IOFPGA/FPGAFIRMWARE", Ids::IOFPGA / Ids::FPGAFIRMWARE},
        {"IOFPGA/FPGAFIRMWARE[2]", Ids::IOFPGA / Ids::FPGAFIRMWARE[2]},
        {"IOFPGA/FPGAFIRMWARE[3]", Ids::IOFPGA / Ids::FPGAFIRMWARE[3]},
        {"IPLFIRMWARE", Ids::IPLFIRMWARE},
        {"IPLFIRMWARE[2]", Ids::IPLFIRMWARE[2]},
        {"CNFIRMWARE", Ids::CNFIRMWARE},
        {"CNIPLFIRMWARE", Ids::CNIPLFIRMWARE},
        {"CNCPUCONFIGURATION", Ids::CNCPUCONFIGURATION},
        {"HARDWARE/BOOTLOADER", Ids::HARDWARE / Ids::BOOTLOADER},
        {"HARDWARE/BOOTLOADER[2]", Ids::HARDWARE / Ids::BOOTLOADER[2]},
        {"HARDWARE/BOOTLOADER[3]", Ids::HARDWARE / Ids::BOOTLOADER[3]},
    };
    return kParts;
}

bool isBoard(const VkCInventoryItem& item) {
    static const uint32_t kBoards[] = {
        Ids::Category_HCN, Ids::Category_CN,       Ids::Category_NETC,     Ids::Category_IOROUTER,
        Ids::Category_ION, Ids::Category_FBMODULE, Ids::Category_BACKPLANE};
    for (uint32_t category : kBoards) {
        if (item.getID().getCategory() == category) {
            return true;
        }
    }
    return false;
}

// The text of a parameter of any type, empty when absent.
std::string valueText(const VkCInventoryItem& item, const VkCInventoryAddress& path) {
    const VkCInventoryParameter* parameter = item.getParameter(path);
    if (parameter == nullptr) {
        return "";
    }
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, VkCString>) {
                return v.str();
            } else if constexpr (std::is_same_v<T, VkCVersion>) {
                return v.getAsString().str();
            } else {
                return std::to_string(v);
            }
        },
        parameter->getValue());
}

void showPart(const char* label, const VkCInventoryItem& part) {
    const std::string version = valueText(part, Ids::VERSION);
    if (version.empty()) {
        return;
    }
    std::string line = "    " + std::string(label);
    line.resize(std::max<size_t>(line.size() + 1, 30), ' ');
    line += version;
    const VkCInventoryParameter* crc = part.getParameter(Ids::CHECKSUM_CRC32);
    if (crc != nullptr && std::holds_alternative<uint32_t>(crc->getValue())) {
        line.resize(std::max<size_t>(line.size() + 2, 44), ' ');
        char text[16];
        std::snprintf(text, sizeof text, "CRC 0x%08X", std::get<uint32_t>(crc->getValue()));
        line += text;
    }
    const std::string when = valueText(part, Ids::TIMESTAMP);
    if (!when.empty()) {
        line += "  " + when;
    }
    std::printf("%s\n", line.c_str());
}

// The UPDATE_INFO sub-item whose ID parameter is 14.
const VkCInventoryItem* hypervisorEntry(const VkCInventoryItem& board) {
    const VkCInventoryItem* info = board.getItem(Ids::UPDATE_INFO);
    for (const VkCInventoryItem* entry = info ? info->getFirstSubItem() : nullptr; entry != nullptr;
         entry = entry->getNext()) {
        if (valueText(*entry, Ids::ID) == "14") {
            return entry;
        }
    }
    return nullptr;
}

void showBoards(const VkCInventoryItem& item) {
    if (isBoard(item)) {
        const std::string type = valueText(item, Ids::PRODUCT / Ids::BOARD_TYPE);
        const std::string serial = valueText(item, Ids::PRODUCT / Ids::SERIAL_NUMBER);
        std::printf("\n%s  %s  S/N %s\n", item.getAddress().toString().c_str(),
                    type.empty() ? "(no board type)" : type.c_str(),
                    serial.empty() ? "-" : serial.c_str());
        for (const Part& part : parts()) {
            if (const VkCInventoryItem* found = item.getItem(part.path)) {
                showPart(part.label, *found);
            }
        }
        if (const VkCInventoryItem* entry = hypervisorEntry(item)) {
            showPart("UPDATE_INFO entry 14", *entry);
        }
    }
    for (const VkCInventoryItem* child = item.getFirstSubItem(); child != nullptr;
         child = child->getNext()) {
        showBoards(*child);
    }
}

std::string applicationsText(const Target& target) {
    std::string text;
    for (uint32_t id : target.applications) {
        text += (text.empty() ? "" : ", ") + hexText(id);
    }
    return text.empty() ? "none" : text;
}

}  // namespace

int showTarget(const std::string& folder) {
    char resolved[PATH_MAX];
    const std::string path = ::realpath(folder.c_str(), resolved) ? resolved : folder;
    std::string error;
    const SharedTarget checked = currentTarget(path, error);
    if (!checked) {
        std::fprintf(stderr, "vksim show: %s\n", error.c_str());
        return kExitFailed;
    }
    const Target& target = *checked;
    std::printf("Target \"%s\" at %s (%s)\n", target.systemName.c_str(), target.ipText.c_str(),
                path.c_str());
    std::printf("  applications: %s\n", applicationsText(target).c_str());
    std::printf("  reboots: %llu, update polls: %u, faults: %zu\n",
                static_cast<unsigned long long>(target.rebootCount), target.updatePolls,
                target.faults.size());
    showBoards(*checked->inventory);
    return kExitOk;
}

}  // namespace vksim::tool
