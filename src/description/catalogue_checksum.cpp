#include "description/catalogue_checksum.h"

#include <memory>

#include "VkCInventoryData.h"
#include "VkNInventoryIDs.h"
#include "description/update_file_access.h"

namespace {

constexpr size_t kHeaderBytes = 100;
constexpr size_t kChecksumOffset = 60;
// Firmware types whose files carry their checksum at bytes 60 to 63: 1, 2, 5 to 9, 11 to 14.
constexpr uint32_t kTypesWithHeaderChecksum = 0x7BE6;

bool hasHeaderChecksum(const UpdateFileRecord& record) {
    if (record.FwType < 32 && ((kTypesWithHeaderChecksum >> record.FwType) & 1u) != 0) {
        return true;
    }
    return (record.FwType == 3 || record.FwType == 4) && !record.IsBusFpga;
}

uint32_t embeddedInventoryChecksum(VkCErrorListPool& errors, const std::string& localPath) {
    if (localPath.empty()) {
        return 0;
    }
    VkCInventoryItem* extracted = nullptr;
    VkCInventoryData::extractInventoryTreeFromFile(errors, localPath.c_str(), extracted);
    const std::unique_ptr<VkCInventoryItem> tree(extracted);
    if (!tree) {
        return 0;
    }
    const VkCInventoryItem* firmware = tree->getItem(VkNInventoryIDs::FIRMWARE);
    if (firmware == nullptr || firmware->getParameter(VkNInventoryIDs::CHECKSUM_CRC32) == nullptr) {
        return 0;
    }
    uint32_t checksum = 0;
    firmware->getValue(errors, VkNInventoryIDs::CHECKSUM_CRC32, checksum);
    return checksum;
}

uint32_t headerChecksum(const std::string& localPath) {
    unsigned char header[kHeaderBytes] = {};
    if (localPath.empty()) {
        return 0;
    }
    readFirstBytes(localPath, header, sizeof header);
    const unsigned char* word = header + kChecksumOffset;
    return (uint32_t(word[0]) << 24) | (uint32_t(word[1]) << 16) | (uint32_t(word[2]) << 8) |
           uint32_t(word[3]);
}

}  // namespace

bool embedsInventory(const unsigned char (&firstBytes)[4], const UpdateFileRecord& record) {
    if (firstBytes[1] == 'E' && firstBytes[2] == 'L' && firstBytes[3] == 'F') {
        return true;
    }
    if (record.BoardType == "VKx86_32" && record.HwType == 0 && record.FwType == 14) {
        return true;
    }
    return record.BoardType == "VK7101" && record.HwType == 3 &&
           (record.FwType == 14 || record.FwType == 1 || record.FwType == 2);
}

uint32_t updateFileChecksum(VkCErrorListPool& errors, const std::string& localPath,
                            const UpdateFileRecord& record) {
    unsigned char firstBytes[4] = {};
    readFirstBytes(localPath, firstBytes, sizeof firstBytes);
    if (embedsInventory(firstBytes, record)) {
        return embeddedInventoryChecksum(errors, localPath);
    }
    if (hasHeaderChecksum(record)) {
        return headerChecksum(localPath);
    }
    return kUnknownChecksum;
}
