#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkCInventoryManager.h"
#include "VkCVersion.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// The driver's update path for the Update and ShowPlan modes (and the firmware manager's
// version report): matching, compatibility, installed-file comparison, then the plan or the
// update. Each returns the run's result.
int32_t runManagerPath(VkCErrorListPool& pool, const VkTCmdOptions& options,
                       VkCInventoryRootHandle* root, VkTDeviceHandle device, BoardTable& table,
                       const VkCVersion& firmwareVersion);
int32_t runConsolePath(VkCErrorListPool& pool, const VkTCmdOptions& options,
                       VkCInventoryRootHandle* root, VkTDeviceHandle device, BoardTable& table,
                       const VkCVersion& firmwareVersion);
