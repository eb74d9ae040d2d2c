#include "VkCInventoryManager.h"

VkCString VkCInventoryManager::getFirmwareTypeString(VkNInventoryManager::FirmwareType type) {
    static const char* const kNames[] = {
        nullptr,
        "Firmware",
        "Factory firmware",
        "FPGA firmware",
        "Factory FPGA firmware",
        "CN CPU configuration",
        "Factory IPL",
        "IPL",
        "CN firmware",
        "CN IPL",
        "Boot loader",
        "IO FPGA firmware",
        "IO FPGA firmware 2",
        "IO FPGA firmware 3",
        "Hypervisor firmware",
    };
    const uint32_t count = sizeof kNames / sizeof kNames[0];
    if (type == 0 || type >= count) {
        return VkCString("Unknown");
    }
    return VkCString(kNames[type]);
}
