#pragma once
#include <cstdint>
#include <string_view>
#include "VkPlatformApi.h"

// Number texts of inventories, as inventory documents and simulated targets write them. Every
// conversion must consume the whole text; the empty text converts to 0. None of them depends
// on the process locale.

// Unsigned number syntax (IDs, indexes, relevance, unsigned value types): optional leading
// white space, an optional "+", then "0x"/"0X" for hexadecimal, a leading "0" for octal, else
// decimal (the rules of strtoull with base 0). Fails on overflow, on text left over, on a
// "-" anywhere in the text and on a value above max.
VK_PLATFORM_API bool parseUnsignedNumber(std::string_view text, uint64_t max, uint64_t& value);

// Signed integers: the rules of strtoll with base 0 (a leading "-" is allowed). Fails on
// overflow of 64 bits, on text left over and on a value outside [min, max].
VK_PLATFORM_API bool parseSignedNumber(std::string_view text, int64_t min, int64_t max,
                                       int64_t& value);

// Floating point: the special texts for infinities and NaNs (found anywhere in the text), else
// strtod in the C locale, which must consume the whole text without a range error.
VK_PLATFORM_API bool parseDoubleValue(const char* text, double& value);
// As parseDoubleValue; a result of strtod must lie within the single precision range.
VK_PLATFORM_API bool parseFloatValue(const char* text, float& value);
