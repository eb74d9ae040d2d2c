#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkLnk.h"
#include "VkPlatformApi.h"

// The application manager: real-time applications loaded on a target.

// count in: capacity of ids; out: number of loaded applications. 0 on success.
VK_PLATFORM_API int32_t VkApplMan_getApplications(VkCErrorListPool& pool, VkTDeviceHandle device,
                                                  VkTAccessRestrictionHandle restriction,
                                                  uint32_t reserved, uint32_t* ids, int32_t& count);
VK_PLATFORM_API int32_t VkApplMan_unloadAppl(VkCErrorListPool& pool, VkTDeviceHandle device,
                                             VkTAccessRestrictionHandle restriction, uint32_t id);
