#include "description/sub_item_index.h"

namespace {

constexpr size_t kInitialSlots = 64;

size_t hashOf(const VkCInventoryItem* parent, uint32_t category, uint32_t index) {
    // splitmix64 finaliser over the three parts
    uint64_t hash = uint64_t(reinterpret_cast<uintptr_t>(parent)) ^
                    (uint64_t(category) << 32 | index) * 0x9E3779B97F4A7C15ull;
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return size_t(hash ^ (hash >> 31));
}

}  // namespace

size_t SubItemIndex::slotOf(const VkCInventoryItem* parent, uint32_t category,
                            uint32_t index) const {
    const size_t mask = slots_.size() - 1;
    size_t slot = hashOf(parent, category, index) & mask;
    while (slots_[slot].parent != nullptr &&
           (slots_[slot].parent != parent || slots_[slot].category != category ||
            slots_[slot].index != index)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

VkCInventoryItem* SubItemIndex::find(const VkCInventoryItem* parent,
                                     const VkCInventoryAddress& id) const {
    if (slots_.empty()) {
        return nullptr;
    }
    return slots_[slotOf(parent, id.getCategory(), id.getIndex())].item;
}

void SubItemIndex::add(const VkCInventoryItem* parent, VkCInventoryItem* item) {
    if (2 * (used_ + 1) > slots_.size()) {
        grow();  // at most half full, so that every search ends at a free slot
    }
    const VkCInventoryAddress& id = item->getID();
    Slot& slot = slots_[slotOf(parent, id.getCategory(), id.getIndex())];
    if (slot.parent == nullptr) {
        slot = Slot{parent, id.getCategory(), id.getIndex(), item};
        ++used_;
    }
}

void SubItemIndex::grow() {
    std::vector<Slot> old(slots_.empty() ? kInitialSlots : 2 * slots_.size());
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.parent != nullptr) {
            slots_[slotOf(slot.parent, slot.category, slot.index)] = slot;
        }
    }
}

void SubItemIndex::clear() {
    slots_.clear();
    used_ = 0;
}
