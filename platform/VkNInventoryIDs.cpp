#include "VkNInventoryIDs.h"

namespace {

const char* const kNames[] = {nullptr,
#define VK_ID_NAME(name) #name,
                              VK_INVENTORY_ID_LIST(VK_ID_NAME)
#undef VK_ID_NAME
};

}  // namespace

uint32_t VkCInventoryTagMap::getCount() const {
    return VkNInventoryIDs::CategoryEnd;
}

const char* VkCInventoryTagMap::get(uint32_t category) const {
    return category < VkNInventoryIDs::CategoryEnd ? kNames[category] : nullptr;
}

namespace VkNInventoryIDs {

#define VK_ID_DEFINE(name) const VkCInventoryAddress name(Category_##name, 1);
VK_INVENTORY_ID_LIST(VK_ID_DEFINE)
#undef VK_ID_DEFINE

const VkCInventoryTagMap Map;

}  // namespace VkNInventoryIDs
