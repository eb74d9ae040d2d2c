#pragma once
#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "interface/run_records.h"

// Fills a newly appended record from its board item: identity, compatibility identifiers,
// boot loaders, installed versions, version histories, time stamps and checksums. A value
// the item does not have leaves its slot at the initial value; read errors stay in pool.
void readBoardValues(VkCErrorListPool& pool, const VkCInventoryItem& item, BoardRecord& record);
