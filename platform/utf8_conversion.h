#pragma once
#include <string>
#include <string_view>

#include "VkPlatformApi.h"

// The one conversion between narrow text (UTF-8) and wide text (UTF-32 in wchar_t), used by
// the library, its hosts and the simulation alike. Neither direction fails: a wide character
// that is no Unicode scalar value, and each byte of narrow text that starts no valid UTF-8
// sequence (stray, truncated, overlong, surrogate, beyond U+10FFFF), become U+FFFD.
VK_PLATFORM_API std::string wideToUtf8(std::wstring_view text);
VK_PLATFORM_API std::wstring utf8ToWide(std::string_view text);
