#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "VkCInventoryData.h"
#include "VkNInventoryIDs.h"
#include "sim/file_copy.h"
#include "sim/images.h"
#include "sim/inventory_json.h"
#include "sim/sim_errors.h"

namespace vksim {

namespace {

namespace Ids = VkNInventoryIDs;

enum class FileKind { Unreadable, Vkim, Elf, Other };

FileKind kindOf(int fd) {
    char magic[4] = {};
    const ssize_t got = ::pread(fd, magic, sizeof magic, 0);
    if (got < 0) {
        return FileKind::Unreadable;
    }
    if (got != sizeof magic) {
        return FileKind::Other;
    }
    if (std::memcmp(magic, "VKIM", 4) == 0) {
        return FileKind::Vkim;
    }
    return std::memcmp(magic,
                       "\x7f"
                       "ELF",
                       4) == 0
               ? FileKind::Elf
               : FileKind::Other;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::unique_ptr<VkCInventoryItem> elfTree(int fd, ElfInventory& inventory, std::string& problem) {
    if (!readElfInventory(fd, inventory, problem)) {
        return nullptr;
    }
    Json doc;
    const std::string origin = ".vkinventory";
    std::unique_ptr<VkCInventoryItem> tree;
    if (parseJsonText(inventory.json, origin, doc, problem)) {
        tree = buildInventoryTree(doc, origin, "inventory", problem);
    }
    if (!tree) {
        problem = "has a damaged embedded inventory: " + problem;
    }
    return tree;
}

bool inspectElf(int fd, ImageInfo& info, std::string& problem) {
    ElfInventory inventory;
    std::unique_ptr<VkCInventoryItem> tree = elfTree(fd, inventory, problem);
    if (!tree) {
        return false;
    }
    const VkCInventoryItem* firmware = tree->getItem(Ids::FIRMWARE);
    const VkCInventoryParameter* version =
        firmware ? firmware->getParameter(Ids::VERSION) : nullptr;
    const VkCInventoryParameter* checksum =
        firmware ? firmware->getParameter(Ids::CHECKSUM_CRC32) : nullptr;
    const VkCInventoryParameter* type = firmware ? firmware->getParameter(Ids::FW_TYPE) : nullptr;
    if (version == nullptr || checksum == nullptr ||
        !std::holds_alternative<VkCVersion>(version->getValue()) ||
        !std::holds_alternative<uint32_t>(checksum->getValue())) {
        problem =
            "has an embedded inventory without a FIRMWARE item with VERSION and CHECKSUM_CRC32";
        return false;
    }
    info.format = ImageInfo::Format::Elf;
    info.version = std::get<VkCVersion>(version->getValue());
    info.checksum = std::get<uint32_t>(checksum->getValue());
    if (type != nullptr && std::holds_alternative<uint32_t>(type->getValue())) {
        info.firmwareType = std::get<uint32_t>(type->getValue());
    }
    if (info.checksum != inventory.payloadCrc) {
        problem = "has the checksum " + hex(info.checksum) +
                  ", which does not match its content (" + hex(inventory.payloadCrc) + ")";
        return false;
    }
    return true;
}

// The version and checksum of a VKIM header as an inventory with a FIRMWARE item.
std::unique_ptr<VkCInventoryItem> vkimTree(int fd) {
    unsigned char header[64];
    VkCVersion version;
    if (::pread(fd, header, sizeof header, 0) != sizeof header) {
        return nullptr;
    }
    const char* text = reinterpret_cast<const char*>(header + 4);
    if (!version.setByString(std::string(text, strnlen(text, 32)).c_str())) {
        return nullptr;
    }
    const uint32_t checksum = (uint32_t(header[60]) << 24) | (uint32_t(header[61]) << 16) |
                              (uint32_t(header[62]) << 8) | header[63];
    VkCErrorListPool scratch;
    auto root = std::make_unique<VkCInventoryItem>(scratch, Ids::ROOT, "ROOT");
    auto firmware = std::make_unique<VkCInventoryItem>(scratch, Ids::FIRMWARE, "FIRMWARE");
    firmware->addParameter(scratch, VkCInventoryAddress(),
                           std::make_unique<VkCInventoryParameter>(scratch, Ids::VERSION, "VERSION",
                                                                   version, nullptr, false, 0)
                               .release());
    firmware->addParameter(
        scratch, VkCInventoryAddress(),
        std::make_unique<VkCInventoryParameter>(scratch, Ids::CHECKSUM_CRC32, "CHECKSUM_CRC32",
                                                checksum, nullptr, false, 0)
            .release());
    root->addItem(VkCInventoryAddress(), firmware.release());
    return root;
}

}  // namespace

bool inspectImage(const std::string& path, ImageInfo& info, std::string& problem) {
    const RegularFile file = openRegularFile(AT_FDCWD, path, O_RDONLY);
    if (!file.valid()) {
        problem = file.problem;
        return false;
    }
    return inspectOpenImage(file.fd.get(), info, problem);
}

bool inspectOpenImage(int fd, ImageInfo& info, std::string& problem) {
    switch (kindOf(fd)) {
        case FileKind::Unreadable:
            problem = "cannot be read: " + systemError();
            return false;
        case FileKind::Vkim:
            return readVkimImage(fd, info, problem);
        case FileKind::Elf:
            return inspectElf(fd, info, problem);
        case FileKind::Other:
            break;
    }
    problem = "is no firmware image the target recognises";
    return false;
}

}  // namespace vksim

void VkCInventoryData::extractInventoryTreeFromFile(VkCErrorListPool& pool, const char* path,
                                                    VkCInventoryItem*& tree) {
    tree = nullptr;
    const std::string file = path == nullptr ? "" : path;
    const vksim::RegularFile opened = vksim::openRegularFile(AT_FDCWD, file, O_RDONLY);
    if (!opened.valid()) {
        // A missing file has no inventory; a FIFO or a device is worth a note.
        if (opened.openError == 0) {
            vksim::enterWarning(pool, vksim::kErrBadImage, "extractInventoryTreeFromFile",
                                "The file " + file + " " + opened.problem + ".");
        }
        return;
    }
    const int fd = opened.fd.get();
    std::unique_ptr<VkCInventoryItem> extracted;
    std::string problem;
    switch (vksim::kindOf(fd)) {
        case vksim::FileKind::Vkim:
            extracted = vksim::vkimTree(fd);
            break;
        case vksim::FileKind::Elf: {
            vksim::ElfInventory inventory;
            extracted = vksim::elfTree(fd, inventory, problem);
            // A damaged inventory is worth a note, but a file without one is no error.
            if (!extracted && inventory.json.size() > 0) {
                vksim::enterWarning(pool, vksim::kErrBadImage, "extractInventoryTreeFromFile",
                                    "The file " + file + " " + problem + ".");
            }
            break;
        }
        default:
            break;
    }
    tree = extracted.release();
}
