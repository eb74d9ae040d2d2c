#pragma once
#include <cstdint>
#include <string>

#include "VkCInventoryAddress.h"
#include "VkPlatformApi.h"

// Text helpers of the simulation: the inventory number syntax and inventory IDs.
namespace vksim {

// The inventory number syntax without blanks (see number_conversion.h): base from the prefix ("0x"
// hexadecimal, leading "0" octal, else decimal), an optional "+", no "-", the whole text consumed,
// value at most max.
VK_PLATFORM_API bool parseUnsigned(const std::string& text, uint64_t max, uint64_t& value);
// Signed integers with automatic base, the whole text consumed, value within [min, max].
bool parseSigned(const std::string& text, int64_t min, int64_t max, int64_t& value);

// An inventory ID: "HCN", "ION[2]", "ION.2", "1000". False for anything else.
VK_PLATFORM_API bool parseInventoryId(const std::string& text, VkCInventoryAddress& id);
// The ID text of one address element: its category name (or number), "[n]" when n is not 1.
VK_PLATFORM_API std::string formatInventoryId(uint32_t category, uint32_t index);

// "0x1a2b" (or "0x1A2B" with upper).
VK_PLATFORM_API std::string hexText(uint64_t value, bool upper = false);

}  // namespace vksim
