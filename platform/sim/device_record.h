#pragma once
#include <cstdint>
#include <string>

#include "VkLnk.h"

// Our layout of the 824-byte device information record:
//   0..3 "VKSD", 4..7 layout 1 (little-endian), 8..11 IPv4 address (little-endian),
//   12..75 system name (zero-padded), 76..823 absolute path of the target's folder
//   (zero-terminated).
namespace vksim {

struct DeviceRecordContent {
    uint32_t ipAddress = 0;
    std::string systemName;
    std::string folder;
};

// False when the folder path does not fit the record.
bool writeDeviceRecord(const DeviceRecordContent& content, VkSDeviceInformation& record);
// False when the record was not made by writeDeviceRecord.
bool readDeviceRecord(const VkSDeviceInformation& record, DeviceRecordContent& content);

}  // namespace vksim
