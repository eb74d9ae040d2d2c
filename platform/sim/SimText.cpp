#include "sim/SimText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

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

// The predefined category names and their numbers, made once: every item and parameter ID of
// a target.json is looked up here.
const std::unordered_map<std::string_view, uint32_t>& categoryNumbers() {
    static const std::unordered_map<std::string_view, uint32_t> numbers = [] {
        std::unordered_map<std::string_view, uint32_t> made;
        const uint32_t count = VkNInventoryIDs::Map.getCount();
        for (uint32_t i = 1; i < count; ++i) {
            if (const char* known = VkNInventoryIDs::Map.get(i)) {
                made.emplace(known, i);
            }
        }
        return made;
    }();
    return numbers;
}

bool lookupCategoryName(std::string_view name, uint32_t& category) {
    const auto& numbers = categoryNumbers();
    const auto found = numbers.find(name);
    if (found == numbers.end()) {
        return false;
    }
    category = found->second;
    return true;
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
    const std::string_view categoryText = std::string_view(text).substr(0, split);
    uint32_t category = 0;
    uint64_t number = 0;
    if (categoryText.empty()) {
        return false;
    }
    if (categoryText[0] >= '0' && categoryText[0] <= '9') {
        if (!parseUnsigned(std::string(categoryText), 0xFFFFFFFFu, number) || number == 0) {
            return false;
        }
        category = static_cast<uint32_t>(number);
    } else if (!lookupCategoryName(categoryText, category)) {
        return false;
    }
    if (split == std::string::npos) {
        id = VkCInventoryAddress(category, 1);  // most IDs name no index
        return true;
    }
    std::string indexText;
    if (text[split] == '.') {
        indexText = text.substr(split + 1);
    } else {
        const size_t close = text.find(']', split);
        if (close != text.size() - 1) {
            return false;
        }
        indexText = text.substr(split + 1, close - split - 1);
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
