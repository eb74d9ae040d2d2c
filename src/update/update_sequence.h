#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// The update proper: locks the target's inventory, reports the missing and the already
// installed files, runs the passes 1 .. maxUpdatePass (transfer, boot loaders in pass 1,
// start, status, errors, bus-FPGA files, removal of the transferred copies), closes the node
// updates, unlocks the target and reports the results. 1 when the lock fails (nothing else
// happens then), else the result of the results report: 0 success, 1 failure.
int32_t runUpdateSequence(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                          const VkTCmdOptions& options, BoardTable& table, VkTDeviceHandle device);
