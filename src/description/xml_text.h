#pragma once
#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>
#include <string>
#include <string_view>

// Text conversions between the parser's UTF-16 strings and the library's texts.

// Appends length UTF-16 units as UTF-8; unpaired surrogates become U+FFFD.
void appendUtf8(const XMLCh* text, size_t length, std::string& out);
// Appends a terminated parser string as UTF-8; nothing for null.
void appendUtf8(const XMLCh* text, std::string& out);
// A terminated parser string as UTF-8, written into storage (grown when needed, never shrunk)
// and viewed from there: valid until storage is used again. For the many short texts of a
// document, without a string operation per text.
std::string_view xmlToUtf8View(const XMLCh* text, std::string& storage);
// A terminated parser string as UTF-8; the empty text for null.
std::string xmlToUtf8(const XMLCh* text);
// A wide text (UTF-32 here) as a terminated parser string.
std::basic_string<XMLCh> wideToXml(const std::wstring& text);
// Whether a terminated parser string equals an ASCII text.
bool xmlEqualsAscii(const XMLCh* text, const char* ascii);
