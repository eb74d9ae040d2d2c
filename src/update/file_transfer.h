#pragma once
#include <cstdint>

#include "VkCInventoryAddress.h"
#include "interface/run_records.h"
#include "update/update_run.h"

// Error code that, as the last entry after a failed transfer, stops the update after the
// transfer of pass 1.
constexpr uint32_t kTransferStopErrorCode = 0x0140003B;

// The address the inventory manager takes for the whole system: the first board's.
VkCInventoryAddress systemAddress(const BoardTable& table);

// Hands the ordinary update files of the pass (neither bus-FPGA nor boot loader) of every
// selected board that has not failed to the target's inventory manager, one output line
// each. A transferred file is marked in run.transferred; a file whose transfer failed is
// marked failed for its board, whose other files go on.
void transferFiles(UpdateRun& run, uint32_t pass);
