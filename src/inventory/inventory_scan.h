#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "inventory/board_record.h"

// Walks the inventory tree below item depth-first and appends one record per updatable board
// to table, counting them in count. fileCount sizes the per-match arrays of new records.
// reset starts a new table (the top-level call); recursive calls pass false. Sends host
// events 29 (each item), 33 (each record) and 4 (around each level).
void scanInventory(VkCErrorListPool& pool, const VkCInventoryItem* item, uint32_t fileCount,
                   BoardTable& table, uint32_t& count, bool reset);
