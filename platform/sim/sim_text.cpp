#include "sim/sim_text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "VkNInventoryIDs.h"
#include "inventory_id.h"
#include "number_conversion.h"

namespace vksim {

namespace {

// Texts of target.json never carry blanks around numbers: the inventory documents' number
// syntax without the leading white space it allows, and never empty.
bool startsPlain(const std::string& text) {
    return !text.empty() && std::strchr(" \t\n\r\f\v", text[0]) == nullptr;
}

}  // namespace

bool parseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
    return startsPlain(text) && parseUnsignedNumber(text, max, value);
}

bool parseSigned(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    return startsPlain(text) && parseSignedNumber(text, min, max, value);
}

bool parseInventoryId(const std::string& text, VkCInventoryAddress& id) {
    // One table per thread: the table fills itself on first use.
    thread_local PredefinedIdTable table;
    const bool hasBlank = text.find_first_of(" \t\n\r\f\v") != std::string::npos;
    return !hasBlank && ::parseInventoryId(table, text, id);
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
