#pragma once
#include <array>
#include <cstdint>
#include <variant>

#include "VkCErrorList.h"
#include "VkCInventoryAddress.h"
#include "VkCInventoryItem.h"

// The values of one description entry, read as the inventory library's getValue reads them.
// The entry's parameters are gathered once, so that a present value of the asked type is taken
// straight from its parameter; an absent value or one of another type goes through getValue,
// which gives its result and enters its error in the pool.
class EntryValues {
  public:
    EntryValues(VkCErrorListPool& errors, const VkCInventoryItem& entry);

    // A value the entry must have.
    template <typename T>
    void read(const VkCInventoryAddress& id, T& target) const {
        if (const VkCInventoryParameter* parameter = find(id)) {
            if (const T* value = std::get_if<T>(&parameter->getValue())) {
                target = *value;
                return;
            }
        }
        entry_.getValue(errors_, id, target);
    }

    // A value the entry may have: target keeps its default when the entry lacks it.
    template <typename T>
    void readOptional(const VkCInventoryAddress& id, T& target) const {
        if (find(id) != nullptr) {
            read(id, target);
        }
    }

  private:
    static constexpr uint32_t kDirectCategories = 128;

    // getParameter for the entry's own parameters.
    const VkCInventoryParameter* find(const VkCInventoryAddress& id) const;

    VkCErrorListPool& errors_;
    const VkCInventoryItem& entry_;
    // Parameters with one-element IDs of index 1 (how predefined IDs look), by category.
    std::array<const VkCInventoryParameter*, kDirectCategories> byCategory_{};
};
