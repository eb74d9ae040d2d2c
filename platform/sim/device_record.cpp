#include "sim/device_record.h"

#include <algorithm>
#include <cstring>

namespace vksim {

namespace {

constexpr char kMagic[4] = {'V', 'K', 'S', 'D'};
constexpr uint32_t kLayout = 1;
constexpr size_t kNameOffset = 12;
constexpr size_t kNameSize = 64;
constexpr size_t kFolderOffset = kNameOffset + kNameSize;
constexpr size_t kFolderSize = sizeof(VkSDeviceInformation) - kFolderOffset;

void putLittleEndian(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t getLittleEndian(const uint8_t* at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | at[i];
    }
    return value;
}

// The text of a zero-padded field; false when it has no terminator.
bool readField(const uint8_t* at, size_t size, std::string& text) {
    const void* end = std::memchr(at, 0, size);
    if (end == nullptr) {
        return false;
    }
    text.assign(reinterpret_cast<const char*>(at), static_cast<const uint8_t*>(end) - at);
    return true;
}

}  // namespace

bool writeDeviceRecord(const DeviceRecordContent& content, VkSDeviceInformation& record) {
    if (content.folder.size() >= kFolderSize) {
        return false;
    }
    std::memset(record.bytes, 0, sizeof record.bytes);
    std::memcpy(record.bytes, kMagic, sizeof kMagic);
    putLittleEndian(record.bytes + 4, kLayout);
    putLittleEndian(record.bytes + 8, content.ipAddress);
    std::memcpy(record.bytes + kNameOffset, content.systemName.data(),
                std::min(content.systemName.size(), kNameSize - 1));
    std::memcpy(record.bytes + kFolderOffset, content.folder.data(), content.folder.size());
    return true;
}

bool readDeviceRecord(const VkSDeviceInformation& record, DeviceRecordContent& content) {
    if (std::memcmp(record.bytes, kMagic, sizeof kMagic) != 0 ||
        getLittleEndian(record.bytes + 4) != kLayout) {
        return false;
    }
    content.ipAddress = getLittleEndian(record.bytes + 8);
    return readField(record.bytes + kNameOffset, kNameSize, content.systemName) &&
           readField(record.bytes + kFolderOffset, kFolderSize, content.folder) &&
           !content.folder.empty();
}

}  // namespace vksim
