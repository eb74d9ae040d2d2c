#pragma once
#include <cstdint>
#include <vector>

#include "VkCString.h"
#include "VkPlatformApi.h"

// An inventory address: a path of (category, index) elements from the root of a tree.
class VK_PLATFORM_API VkCInventoryAddress {
  public:
    struct Element {
        uint32_t category;
        uint32_t index;
        bool operator==(const Element& o) const {
            return category == o.category && index == o.index;
        }
    };

    VkCInventoryAddress() = default;
    VkCInventoryAddress(uint32_t category, uint32_t index) : elements_{{category, index}} {}

    bool operator==(const VkCInventoryAddress& o) const { return elements_ == o.elements_; }
    bool operator!=(const VkCInventoryAddress& o) const { return !(*this == o); }
    // The same address with the index of its last element set.
    VkCInventoryAddress operator[](uint32_t index) const;
    // Path concatenation: PRODUCT / BOARD_TYPE.
    VkCInventoryAddress operator/(const VkCInventoryAddress& tail) const;

    uint32_t getCategory() const { return elements_.empty() ? 0 : elements_.back().category; }
    uint32_t getIndex() const { return elements_.empty() ? 0 : elements_.back().index; }
    // The predefined name of the last element's category, empty for other categories.
    VkCString getCategoryName() const;
    VkCInventoryAddress getLastElement() const;
    // "ROOT/HCN/SUB_BOARDS/ION[2]": names (or numbers), "[n]" when the index is not 1.
    VkCString toString() const;

    bool isEmpty() const { return elements_.empty(); }
    const std::vector<Element>& elements() const { return elements_; }

  private:
    std::vector<Element> elements_;
};
