#include "inventory_id.h"

#include "VkNInventoryIDs.h"
#include "number_conversion.h"

namespace {

constexpr uint64_t kMaxCategory = 0xFFFFFFFFu;
constexpr uint64_t kMaxIndex = 0xFFFFFFFFu;

bool parseCategory(PredefinedIdTable& table, std::string_view text, uint32_t& category) {
    if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
        uint64_t number = 0;
        if (!parseUnsignedNumber(text, kMaxCategory, number) || number == 0) {
            return false;
        }
        category = uint32_t(number);
        return true;
    }
    return lookupPredefinedId(table, text, category);
}

bool parseIndex(std::string_view text, uint32_t& index) {
    uint64_t number = 0;
    if (text.empty() || !parseUnsignedNumber(text, kMaxIndex, number)) {
        return false;
    }
    index = uint32_t(number);
    return true;
}

// The INDEX text after the separator at position split, or false when the syntax is broken.
bool indexText(std::string_view id, size_t split, std::string_view& text) {
    if (id[split] == '.') {
        text = id.substr(split + 1);
        return true;
    }
    const size_t close = id.find(']', split + 1);
    if (close == std::string_view::npos || close + 1 != id.size()) {
        return false;
    }
    text = id.substr(split + 1, close - split - 1);
    return true;
}

// The position of the first "." or "[", npos when there is none.
size_t separatorOf(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' || text[i] == '[') {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

size_t PredefinedIdTable::slotOf(std::string_view name) const {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : name) {
        hash = (hash ^ uint8_t(c)) * 16777619u;
    }
    const size_t mask = slots_.size() - 1;
    size_t slot = hash & mask;
    while (!slots_[slot].name.empty() && slots_[slot].name != name) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

void PredefinedIdTable::fill() {
    const uint32_t count = VkNInventoryIDs::Map.getCount();
    size_t size = 16;
    while (size < 2 * size_t(count)) {
        size *= 2;  // at most half full, so that every search ends at a free slot
    }
    slots_.assign(size, Slot());
    for (uint32_t i = 1; i < count; ++i) {
        const char* name = VkNInventoryIDs::Map.get(i);
        if (name == nullptr || *name == '\0') {
            continue;
        }
        Slot& slot = slots_[slotOf(name)];
        if (slot.name.empty()) {  // the first number of a name wins
            slot.name = name;
            slot.category = i;
        }
    }
    filled_ = true;
}

bool PredefinedIdTable::lookup(std::string_view name, uint32_t& category) {
    if (!filled_) {
        fill();
    }
    if (name.empty()) {
        return false;
    }
    const Slot& slot = slots_[slotOf(name)];
    if (slot.name.empty()) {
        return false;
    }
    category = slot.category;
    return true;
}

bool lookupPredefinedId(PredefinedIdTable& table, std::string_view name, uint32_t& category) {
    return table.lookup(name, category);
}

bool parseInventoryId(PredefinedIdTable& table, std::string_view text,
                      VkCInventoryAddress& address) {
    const size_t split = separatorOf(text);
    uint32_t category = 0;
    if (!parseCategory(table, text.substr(0, split), category)) {
        return false;
    }
    uint32_t index = 1;
    if (split != std::string_view::npos) {
        std::string_view indexPart;
        if (!indexText(text, split, indexPart) || !parseIndex(indexPart, index)) {
            return false;
        }
    }
    address = VkCInventoryAddress(category, index);
    return true;
}

const char* categoryNameOf(const VkCInventoryAddress& address) {
    const char* name = VkNInventoryIDs::Map.get(address.getCategory());
    return name != nullptr ? name : "";
}
