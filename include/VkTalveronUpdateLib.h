#pragma once
#include <cstdint>

#include "ParameterSet.h"
#include "UpdateMode.h"
#include "VkCErrorList.h"
#include "VkCVersion.h"
#include "VkHostEvents.h"
#include "VkTCmdOptions.h"
#include "VkUpdateExport.h"

// Runs what options.mode selects. 0 success; 1 start-up failure or errors left in the pool;
// 2 target information unreadable in firmware-manager mode; otherwise the update's result.
// Unrecoverable conditions print their message and end the process with status 1.
VK_UPDATE_API int32_t VkSmartUpdateTool(VkCErrorListPool& pool, VkTCmdOptions options);

// Whether the target can be rebooted automatically; reason receives 0 (yes), 1, 2 or 3.
VK_UPDATE_API bool checkRebootSupport(VkCErrorListPool& pool, VkTCmdOptions options,
                                      uint32_t& reason);

// The library's own file version (major, minor, patch; the rest zero).
VK_UPDATE_API VkCVersion GetLibVersion();

// Registers the host callback that receives every event; null unregisters.
VK_UPDATE_API void SetFwMgrFunction(VkTHostCallback callback);
