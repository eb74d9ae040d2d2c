#pragma once
#include <cstdint>

#include "VkCString.h"

namespace VkNInventoryManager {

// Firmware part types.
enum FirmwareType : uint32_t {
    FwUnknown = 0,
    FwFirmware = 1,
    FwFactoryFirmware = 2,
    FwFpgaFirmware = 3,
    FwFactoryFpgaFirmware = 4,
    FwCnCpuConfiguration = 5,
    FwFactoryIpl = 6,
    FwIpl = 7,
    FwCnFirmware = 8,
    FwCnIpl = 9,
    FwBootLoader = 10,
    FwIoFpgaFirmware = 11,
    FwIoFpgaFirmware2 = 12,
    FwIoFpgaFirmware3 = 13,
    FwHypervisorFirmware = 14,
};

// Status of an update: 1 running, 2 finished, every other value failed.
enum EUpdateStatus : uint32_t {
    UpdateFailed = 0,
    UpdateRunning = 1,
    UpdateFinished = 2,
};

// A file transferred to the target, as the inventory manager names it.
struct VkSRemoteFileHandle {
    VkCString folder;
    VkCString name;
};

}  // namespace VkNInventoryManager
