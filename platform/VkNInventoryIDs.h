#pragma once
#include <cstdint>

#include "VkCInventoryAddress.h"
#include "VkPlatformApi.h"

// The predefined inventory categories, numbered from 1 in this order. Numbers from 1000 up
// are free for categories without a predefined name.
// clang-format off
#define VK_INVENTORY_ID_LIST(X)                                                             \
    X(ACTIVE_FIRMWARE)                                                                      \
    X(ACTIVE_FPGA) X(BACKPLANE) X(BOARD_TYPE) X(BOOTLOADER) X(CHECKSUM_CRC32) X(CHIP_TYPE) \
    X(CN) X(CNCPUCONFIGURATION) X(CNFIRMWARE) X(CNIPLFIRMWARE) X(CPLD) X(FBMODULE)         \
    X(FIRMWARE) X(FPGA) X(FPGAFIRMWARE) X(FW_COMPATIBILITY_ID) X(FW_TYPE) X(HARDWARE)      \
    X(HCN) X(HW_COMPATIBILITY_ID) X(HW_TYPE) X(ID) X(INFO) X(IOFPGA) X(ION) X(IOROUTER)    \
    X(IPADDRESS) X(IPLFIRMWARE) X(LOCATION) X(MAINBOARD) X(MAX_HW_COMPATIBILITY_ID)        \
    X(MAX_SW_COMPATIBILITY_ID) X(MIN_HW_COMPATIBILITY_ID) X(MIN_SW_COMPATIBILITY_ID)       \
    X(MODEL) X(NAME) X(NETC) X(NETWORK) X(OS_TYPE) X(PLATFORM_TYPE) X(PRODUCT)             \
    X(PRODUCT_VERSION) X(ROOT) X(SEQUENCE) X(SERIAL_NUMBER) X(SLOT) X(SUB_BOARDS)          \
    X(SW_COMPATIBILITY_ID) X(SYSTEM_CLASS) X(TARGET_FILE_NAME) X(TIMESTAMP) X(UPDATE_INFO) \
    X(VERSION) X(VERSION_HISTORY)
// clang-format on

// Category number to name. Index 0 is unused; get() answers null for numbers without a name.
class VK_PLATFORM_API VkCInventoryTagMap {
  public:
    uint32_t getCount() const;
    const char* get(uint32_t category) const;
};

namespace VkNInventoryIDs {

enum Category : uint32_t {
    CategoryNone = 0,
#define VK_ID_ENUM(name) Category_##name,
    VK_INVENTORY_ID_LIST(VK_ID_ENUM)
#undef VK_ID_ENUM
        CategoryEnd
};

#define VK_ID_DECLARE(name) VK_PLATFORM_API extern const VkCInventoryAddress name;
VK_INVENTORY_ID_LIST(VK_ID_DECLARE)
#undef VK_ID_DECLARE

VK_PLATFORM_API extern const VkCInventoryTagMap Map;

}  // namespace VkNInventoryIDs
