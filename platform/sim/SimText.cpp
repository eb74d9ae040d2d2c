#include "sim/SimText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "VkNInventoryIDs.h"

namespace vksim {

namespace {

void appendUtf8(std::string& out, uint32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        code = 0xFFFD;
    }
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool lookupCategoryName(const std::string& name, uint32_t& category) {
    const uint32_t count = VkNInventoryIDs::Map.getCount();
    for (uint32_t i = 1; i < count; ++i) {
        const char* known = VkNInventoryIDs::Map.get(i);
        if (known != nullptr && name == known) {
            category = i;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string wideToUtf8(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; p != nullptr && *p != L'\0'; ++p) {
        appendUtf8(out, static_cast<uint32_t>(*p));
    }
    return out;
}

bool parseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.find('-') != std::string::npos ||
        std::strchr(" \t\n\r\f\v", text[0]) != nullptr) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno == ERANGE || end != text.c_str() + text.size() || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool parseSigned(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    if (text.empty() || std::strchr(" \t\n\r\f\v", text[0]) != nullptr) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 0);
    if (errno == ERANGE || end != text.c_str() + text.size() || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool parseInventoryId(const std::string& text, VkCInventoryAddress& id) {
    const size_t split = text.find_first_of(".[");
    const std::string categoryText = text.substr(0, split);
    std::string indexText = "1";
    if (split != std::string::npos) {
        if (text[split] == '.') {
            indexText = text.substr(split + 1);
        } else {
            const size_t close = text.find(']', split);
            if (close != text.size() - 1) {
                return false;
            }
            indexText = text.substr(split + 1, close - split - 1);
        }
    }
    uint32_t category = 0;
    uint64_t number = 0;
    if (categoryText.empty()) {
        return false;
    }
    if (categoryText[0] >= '0' && categoryText[0] <= '9') {
        if (!parseUnsigned(categoryText, 0xFFFFFFFFu, number) || number == 0) {
            return false;
        }
        category = static_cast<uint32_t>(number);
    } else if (!lookupCategoryName(categoryText, category)) {
        return false;
    }
    if (!parseUnsigned(indexText, 0xFFFFFFFFu, number)) {
        return false;
    }
    id = VkCInventoryAddress(category, static_cast<uint32_t>(number));
    return true;
}

std::string formatInventoryId(uint32_t category, uint32_t index) {
    const char* name = VkNInventoryIDs::Map.get(category);
    std::string text = name != nullptr ? name : std::to_string(category);
    if (index != 1) {
        text += '[' + std::to_string(index) + ']';
    }
    return text;
}

std::string hexText(uint64_t value, bool upper) {
    char text[24];
    std::snprintf(text, sizeof text, upper ? "0x%llX" : "0x%llx",
                  static_cast<unsigned long long>(value));
    return text;
}

}  // namespace vksim
