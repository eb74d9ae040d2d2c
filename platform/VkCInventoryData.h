#pragma once
#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "VkPlatformApi.h"

class VK_PLATFORM_API VkCInventoryData {
  public:
    // Sets tree to the inventory tree embedded in the update file at path (UTF-8), owned by
    // the caller; leaves it null when the file carries none or cannot be read.
    static void extractInventoryTreeFromFile(VkCErrorListPool& pool, const char* path,
                                             VkCInventoryItem*& tree);
};
