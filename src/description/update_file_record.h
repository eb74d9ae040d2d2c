#pragma once
#include <cstdint>
#include <string>

#include "VkCString.h"
#include "VkCVersion.h"

// One update file of the firmware description, in description order.
struct UpdateFileRecord {
    std::wstring FileName;     // LOCATION: path relative to the firmware folder
    VkCString TargetFileName;  // TARGET_FILE_NAME: file name on the target
    VkCString BoardType;       // BOARD_TYPE
    VkCString TypeName;        // display name of the file type
    VkCString OsType;          // OS_TYPE
    VkCVersion Version;        // VERSION
    uint32_t Crc32Checksum = 0;
    uint32_t FwType = 0;  // VkNInventoryManager::FirmwareType
    bool IsBootLoader = false;
    bool IsBusFpga = false;
    uint32_t FpgaType = 0;    // CHIP_TYPE
    uint32_t HwType = 0;      // HW_TYPE
    uint32_t UpdatePass = 0;  // SEQUENCE
    bool IsSelected = false;
    bool IsNeeded = false;   // matched to at least one board of the table
    bool IsMissing = false;  // cannot be opened for reading
    uint64_t FileSize = 0;
    uint32_t FwCompabilityId = 0;
    // 0xFFFFFFFF: no bound on that side.
    uint32_t MinHwCompatibilityId = 0xFFFFFFFF;
    uint32_t MaxHwCompatibilityId = 0xFFFFFFFF;
    uint32_t MinSwCompatibilityId = 0xFFFFFFFF;
    uint32_t MaxSwCompatibilityId = 0xFFFFFFFF;
};

// Marker for a checksum that is not known, for update files and installed parts alike.
constexpr uint32_t kUnknownChecksum = 0x12345678;
