#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "interface/run_records.h"

// Walks the inventory tree below item depth-first and appends one record per updatable board
// to table. fileCount sizes the per-match arrays of new records.
// reset starts a new table (the top-level call); recursive calls pass false. Sends host
// events EvItemScanned (each item), EvBoardAppended (each record, with its index in the table)
// and EvScanLevel (around each level).
void scanInventory(VkCErrorListPool& pool, const VkCInventoryItem* item, uint32_t fileCount,
                   BoardTable& table, bool reset);
