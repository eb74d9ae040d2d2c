#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkCInventoryManager.h"
#include "VkCVersion.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// The first stage of every run: resets the module state, reads the firmware description when
// the mode needs it, opens the one target the options name, guards against running
// applications (console updates) and scans the target's inventory into table. On success
// the caller owns device, root and table. Rewrites options.ipAddress with the resolved
// address. 0 ready; 1 failed; 2 inventory unreadable in firmware-manager mode. Conditions
// the host cannot recover from end the process with status 1.
int32_t startRun(VkCErrorListPool& pool, VkTCmdOptions& options, VkTDeviceHandle& device,
                 VkCInventoryRootHandle*& root, BoardTable& table, VkCVersion& firmwareVersion);

// Deletes the device handle when there is one and clears it.
void deleteDeviceHandle(VkCErrorListPool& pool, VkTDeviceHandle& device);
// Deletes the inventory root handle when there is one and clears it.
void deleteRootHandle(VkCErrorListPool& pool, VkCInventoryRootHandle*& root);
