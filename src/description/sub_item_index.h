#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "VkCInventoryAddress.h"
#include "VkCInventoryItem.h"

// Sub items by (parent, category, index): the look-up the reader makes for every "ITEM" start
// (an item continues a sibling with the same ID). A flat open-addressing table, so that wide
// items cost neither a linear search nor an allocation per item.
class SubItemIndex {
  public:
    VkCInventoryItem* find(const VkCInventoryItem* parent, const VkCInventoryAddress& id) const;
    void add(const VkCInventoryItem* parent, VkCInventoryItem* item);
    void clear();

  private:
    struct Slot {
        const VkCInventoryItem* parent = nullptr;  // null: a free slot
        uint32_t category = 0;
        uint32_t index = 0;
        VkCInventoryItem* item = nullptr;
    };

    // The slot that holds the key, or the free slot where the search for it ends.
    size_t slotOf(const VkCInventoryItem* parent, uint32_t category, uint32_t index) const;
    void grow();

    std::vector<Slot> slots_;
    size_t used_ = 0;
};
