#include "description/update_file_access.h"

#include <algorithm>
#include <memory>

#include "VkCInventoryData.h"
#include "VkNInventoryIDs.h"
#include "description/regular_file.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

bool isDriveLetter(const std::wstring& name) {
    return name.size() >= 2 && name[1] == L':' &&
           ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'a' && name[0] <= L'z'));
}

bool climbsOut(const std::wstring& name) {
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find(L'/', start);
        if (end == std::wstring::npos) {
            end = name.size();
        }
        if (name.compare(start, end - start, L"..") == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

std::wstring descriptionFilePath(const std::wstring& firmwareFolder,
                                 const std::wstring& descriptionFile) {
    return firmwareFolder + L"/" + descriptionFile;
}

std::optional<std::string> updateFilePath(const std::wstring& firmwareFolder,
                                          const std::wstring& fileName) {
    std::wstring name = fileName;
    for (wchar_t& c : name) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    if ((!name.empty() && name[0] == L'/') || isDriveLetter(name) || climbsOut(name)) {
        return std::nullopt;
    }
    return wideToUtf8(firmwareFolder + L"/" + name);
}

namespace {

constexpr size_t kChecksumOffset = 60;
constexpr size_t kHeaderBytes = kChecksumOffset + 4;
// Firmware types whose files carry their checksum at bytes 60 to 63: 1, 2, 5 to 9, 11 to 14.
constexpr uint32_t kTypesWithHeaderChecksum = 0x7BE6;

bool hasHeaderChecksum(const UpdateFileRecord& record) {
    if (record.FwType < 32 && ((kTypesWithHeaderChecksum >> record.FwType) & 1u) != 0) {
        return true;
    }
    return (record.FwType == 3 || record.FwType == 4) && !record.IsBusFpga;
}

uint32_t embeddedInventoryChecksum(VkCErrorListPool& errors, const std::wstring& firmwareFolder,
                                   const std::wstring& fileName) {
    const std::optional<std::string> path = updateFilePath(firmwareFolder, fileName);
    if (!path) {
        return 0;
    }
    VkCInventoryItem* extracted = nullptr;
    VkCInventoryData::extractInventoryTreeFromFile(errors, path->c_str(), extracted);
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

UpdateFileHeader readUpdateFileHeader(RegularFile& file) {
    unsigned char bytes[kHeaderBytes] = {};
    file.read(bytes, sizeof bytes);
    UpdateFileHeader header;
    std::copy(bytes, bytes + sizeof header.firstBytes, header.firstBytes);
    const unsigned char* word = bytes + kChecksumOffset;
    header.headerChecksum = (uint32_t(word[0]) << 24) | (uint32_t(word[1]) << 16) |
                            (uint32_t(word[2]) << 8) | uint32_t(word[3]);
    return header;
}

}  // namespace

UpdateFileLook lookAtUpdateFile(const std::wstring& firmwareFolder, const std::wstring& fileName) {
    UpdateFileLook look;
    const std::optional<std::string> path = updateFilePath(firmwareFolder, fileName);
    if (!path) {
        return look;  // the file would lie outside the folder
    }
    RegularFile file(*path);
    if (file.isSpecialFile()) {
        look.refusal = file.problem();
    }
    if (file.isOpen()) {
        look.readable = true;
        look.size = file.size();
        look.header = readUpdateFileHeader(file);
    }
    return look;
}

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

uint32_t updateFileChecksum(VkCErrorListPool& errors, const std::wstring& firmwareFolder,
                            const UpdateFileHeader& header, const UpdateFileRecord& record) {
    if (embedsInventory(header.firstBytes, record)) {
        return embeddedInventoryChecksum(errors, firmwareFolder, record.FileName);
    }
    if (hasHeaderChecksum(record)) {
        return header.headerChecksum;
    }
    return kUnknownChecksum;
}
