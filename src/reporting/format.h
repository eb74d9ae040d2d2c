#pragma once
#include <cstdarg>
#include <cstddef>
#include <string>

#include "VkCString.h"

// printf-style formatting with the conventions the library's message formats are written
// in (those of the maker's platform, where %s in a wide format is wide text), independent of
// the process locale:
//   wide formats:   %hs narrow (UTF-8) text; %s, %ls, %ws wide text
//   narrow formats: %s, %hs narrow text;     %ls, %ws wide text (written as UTF-8)
// Flags - + blank # 0; width and precision, also as * (a negative * width left-justifies);
// length modifiers h l ll I64 z; conversions d i u x X o c s p %. Precision and width of %s
// count characters. An unknown conversion is copied as it stands.

std::wstring vformatWide(const wchar_t* format, va_list args);
std::wstring formatWide(const wchar_t* format, ...);
std::string vformatNarrowText(const char* format, va_list args);
std::string formatNarrowText(const char* format, ...);

// Bounded formatting into a buffer of capacity characters (terminator included). Longer
// output is cut to capacity - 1 characters; the result is the number of characters
// written, or -1 when capacity is 0 or buffer is null.
int vformatMessage(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args);
int formatMessage(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);
int formatNarrow(char* buffer, size_t capacity, const char* format, ...);

// Wide text as a narrow VkCString (UTF-8); a null text gives the empty text.
VkCString toNarrow(const wchar_t* text);
