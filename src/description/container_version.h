#pragma once
#include "VkCErrorList.h"
#include "VkCInventoryItem.h"

// Accepts only a description whose INFO / VERSION equals the library's version in every
// component; otherwise reports why and ends the process with status 1.
void requireContainerVersion(VkCErrorListPool& errors, const VkCInventoryItem& root);
