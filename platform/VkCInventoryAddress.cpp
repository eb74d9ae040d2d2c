#include "VkCInventoryAddress.h"

#include <string>

#include "VkNInventoryIDs.h"

VkCInventoryAddress VkCInventoryAddress::operator[](uint32_t index) const {
    VkCInventoryAddress copy(*this);
    if (!copy.elements_.empty()) {
        copy.elements_.back().index = index;
    }
    return copy;
}

VkCInventoryAddress VkCInventoryAddress::operator/(const VkCInventoryAddress& tail) const {
    VkCInventoryAddress joined(*this);
    joined.elements_.insert(joined.elements_.end(), tail.elements_.begin(), tail.elements_.end());
    return joined;
}

VkCString VkCInventoryAddress::getCategoryName() const {
    const char* name = VkNInventoryIDs::Map.get(getCategory());
    return VkCString(name ? name : "");
}

VkCInventoryAddress VkCInventoryAddress::getLastElement() const {
    VkCInventoryAddress last;
    if (!elements_.empty()) {
        last.elements_.push_back(elements_.back());
    }
    return last;
}

VkCString VkCInventoryAddress::toString() const {
    std::string text;
    for (const Element& element : elements_) {
        if (!text.empty()) {
            text += '/';
        }
        const char* name = VkNInventoryIDs::Map.get(element.category);
        text += name ? name : std::to_string(element.category);
        if (element.index != 1) {
            text += '[' + std::to_string(element.index) + ']';
        }
    }
    return VkCString(text);
}
