#include "description/entry_values.h"

namespace {

// The category of an ID that names a category with index 1, or kNone.
constexpr uint32_t kNone = UINT32_MAX;

uint32_t plainCategoryOf(const VkCInventoryAddress& id) {
    const auto& elements = id.elements();
    return elements.size() == 1 && elements[0].index == 1 ? elements[0].category : kNone;
}

}  // namespace

EntryValues::EntryValues(VkCErrorListPool& errors, const VkCInventoryItem& entry)
    : errors_(errors), entry_(entry) {
    for (const auto& parameter : entry.parameters()) {
        const uint32_t category = plainCategoryOf(parameter->getID());
        if (category < kDirectCategories && byCategory_[category] == nullptr) {
            byCategory_[category] = parameter.get();
        }
    }
}

const VkCInventoryParameter* EntryValues::find(const VkCInventoryAddress& id) const {
    const uint32_t category = plainCategoryOf(id);
    if (category < kDirectCategories) {
        return byCategory_[category];
    }
    return entry_.getParameter(id);
}
