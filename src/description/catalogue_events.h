#pragma once
#include <cstdint>

#include "interface/run_records.h"

// Event 21: the number of catalogue entries.
void sendCatalogueCount(uint32_t count);
// Event 34: one catalogue entry, with copies of its texts and version that live for the call.
void sendCatalogueEntry(const UpdateFileRecord& record, uint32_t maxUpdatePass);
