#include "sim/sim_text.h"

#include <cstdio>
#include <cstring>

#include "VkNInventoryIDs.h"
#include "inventory_id.h"
#include "number_conversion.h"

namespace vksim {

namespace {

// Texts of target.json carry no blanks in numbers and IDs: the inventory documents' syntax
// without the leading white space it allows, and never empty.
constexpr char kBlanks[] = " \t\n\r\f\v";

bool startsPlain(const std::string& text) {
    return !text.empty() && std::strchr(kBlanks, text[0]) == nullptr;
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
    return text.find_first_of(kBlanks) == std::string::npos && ::parseInventoryId(table, text, id);
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
