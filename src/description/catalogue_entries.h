#pragma once
#include <cstdint>
#include <vector>

#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// The kinds of description entries: direct sub items of the root named by one of these.
enum class EntryKind { None, Firmware, FpgaFirmware, BusFpga, BootLoader };

EntryKind entryKindOf(const VkCInventoryItem& item);

// The number of entries among the root's direct sub items.
uint32_t countCatalogueEntries(const VkCInventoryItem& root);

// Fills catalogue (already sized to the number of entries, with the record defaults) from the
// entries in description order; maxUpdatePass is raised to the highest SEQUENCE read.
void fillCatalogue(VkCErrorListPool& errors, const VkCInventoryItem& root,
                   const VkTCmdOptions& options, std::vector<UpdateFileRecord>& catalogue,
                   uint32_t& maxUpdatePass);
