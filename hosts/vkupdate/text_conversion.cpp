#include "text_conversion.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Number of continuation bytes a lead byte announces, or -1 for a byte that cannot lead.
int continuationCount(unsigned char lead) {
    if (lead < 0x80) {
        return 0;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 3;
    }
    return -1;
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the sequence at text[pos]; advances pos past what was consumed.
char32_t decodeOne(const std::string& text, size_t& pos) {
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    const int extra = continuationCount(lead);
    if (extra < 0) {
        ++pos;
        return kReplacement;
    }
    if (extra == 0) {
        ++pos;
        return lead;
    }
    static const unsigned char kLeadMask[] = {0, 0x1F, 0x0F, 0x07};
    char32_t code = lead & kLeadMask[extra];
    size_t next = pos + 1;
    for (int i = 0; i < extra; ++i, ++next) {
        if (next >= text.size() || !isContinuation(static_cast<unsigned char>(text[next]))) {
            pos = next;
            return kReplacement;
        }
        code = (code << 6) | (static_cast<unsigned char>(text[next]) & 0x3F);
    }
    pos = next;
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    const bool overlong = code < kSmallest[extra];
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (overlong || surrogate || code > 0x10FFFF) {
        return kReplacement;
    }
    return code;
}

void appendWide(std::wstring& out, char32_t code) {
    if constexpr (sizeof(wchar_t) >= 4) {
        out.push_back(static_cast<wchar_t>(code));
    } else if (code < 0x10000) {
        out.push_back(static_cast<wchar_t>(code));
    } else {
        const char32_t offset = code - 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (offset >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (offset & 0x3FF)));
    }
}

}  // namespace

std::wstring utf8ToWide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        appendWide(out, decodeOne(text, pos));
    }
    return out;
}
