#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "VkPlatformApi.h"

#include "VkCInventoryAddress.h"

// The predefined category names of the inventory library, name to category number. Filled on
// first use; the first category of a name wins. Every ID of a document is looked up here, so
// the table is a small open-addressing hash table that stays in the cache.
class VK_PLATFORM_API PredefinedIdTable {
  public:
    bool lookup(std::string_view name, uint32_t& category);

  private:
    struct Slot {
        std::string name;  // empty: a free slot
        uint32_t category = 0;
    };

    void fill();
    // The slot that holds the name, or the free slot where the search for it ends.
    size_t slotOf(std::string_view name) const;

    std::vector<Slot> slots_;
    bool filled_ = false;
};

// The category number of a predefined name (compared byte by byte, case-sensitive).
VK_PLATFORM_API bool lookupPredefinedId(PredefinedIdTable& table, std::string_view name,
                                        uint32_t& category);

// The value of an "ID" attribute: CATEGORY, CATEGORY.INDEX or CATEGORY[INDEX]. CATEGORY is a
// number (1 to 4294967295) when it starts with a digit, else a predefined name; INDEX is a
// number (0 to 4294967295); without one the index is 1.
VK_PLATFORM_API bool parseInventoryId(PredefinedIdTable& table, std::string_view text,
                                      VkCInventoryAddress& address);

// The predefined name of an address's category, "" for other categories.
VK_PLATFORM_API const char* categoryNameOf(const VkCInventoryAddress& address);
