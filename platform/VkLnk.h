#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkPlatformApi.h"

// The host interface library: device search, device handles, access restriction, reset and
// the file-transfer client. Every call takes the caller's pool first; 0 is success unless a
// call says otherwise.

using VkTDeviceHandle = void*;
using VkTFilterHandle = void*;
using VkTAccessRestrictionHandle = void*;
using VkTFTClientHandle = void*;
using VkTFTProgressFunction = void (*)(void* context, uint64_t done, uint64_t total);

// One found device, as the device list returns it; passed back unchanged to create a handle.
struct VkSDeviceInformation {
    uint8_t bytes[824];
};
static_assert(sizeof(VkSDeviceInformation) == 824, "device information record is 824 bytes");

// Result codes the callers tell apart.
enum VkELnkResult : int32_t {
    VkLnk_OK = 0,
    VkLnk_ERR_BUFFER_TOO_SMALL = 21,
    VkLnk_ERR_SERVICE_UNREACHABLE = 33,
    VkLnk_ERR_SERVICE_OUTDATED = 46,
};

// Filter parameters.
enum VkELnkFilterParameter : uint32_t {
    VkLnk_FILTER_SYSTEM_NAME = 1,  // text with its terminator
    VkLnk_FILTER_IPV4 = 6,         // 32-bit address as stringToIpV4 gives it
    VkLnk_FILTER_PARAM_8 = 8,
    VkLnk_FILTER_PARAM_9 = 9,
};

VK_PLATFORM_API int32_t VkLnk_createFilter(VkCErrorListPool& pool, VkTFilterHandle& filter,
                                           uint32_t kind);
VK_PLATFORM_API int32_t VkLnk_setFilterParameter(VkCErrorListPool& pool, VkTFilterHandle filter,
                                                 uint32_t parameter, uint32_t size,
                                                 const void* value);
VK_PLATFORM_API int32_t VkLnk_applyFilter(VkCErrorListPool& pool, VkTFilterHandle filter);
// count in: capacity of records; out: number of devices found. 21 when records is too small.
VK_PLATFORM_API int32_t VkLnk_getDeviceList(VkCErrorListPool& pool, VkTFilterHandle filter,
                                            VkSDeviceInformation* records, uint32_t& count);
VK_PLATFORM_API int32_t VkLnk_createDeviceHandle(VkCErrorListPool& pool, VkTDeviceHandle& device,
                                                 const VkSDeviceInformation& record);
VK_PLATFORM_API int32_t VkLnk_deleteFilter(VkCErrorListPool& pool, VkTFilterHandle filter);
VK_PLATFORM_API int32_t VkLnk_deleteDeviceHandle(VkCErrorListPool& pool, VkTDeviceHandle device);

VK_PLATFORM_API int32_t VkLnk_createAccessRestrictionHandle(VkCErrorListPool& pool,
                                                            VkTDeviceHandle device,
                                                            VkTAccessRestrictionHandle& handle);
// Level 0x10003 is exclusive: refused while another holder has the same target.
VK_PLATFORM_API int32_t VkLnk_requestAccessRestrictionLevel(VkCErrorListPool& pool,
                                                            VkTAccessRestrictionHandle handle,
                                                            uint32_t reserved, uint32_t level);
VK_PLATFORM_API int32_t VkLnk_deleteAccessRestrictionHandle(VkCErrorListPool& pool,
                                                            VkTAccessRestrictionHandle handle);

VK_PLATFORM_API int32_t VkLnk_FORCE_resetDevice(VkCErrorListPool& pool, VkTDeviceHandle device,
                                                uint32_t option);

// File-transfer client on the target's file system.
VK_PLATFORM_API int32_t VkLnk_createFTClientHandle(VkCErrorListPool& pool, VkTDeviceHandle device,
                                                   VkTFTClientHandle& client);
VK_PLATFORM_API int32_t VkLnk_deleteFTClientHandle(VkCErrorListPool& pool,
                                                   VkTFTClientHandle client);
// Bytes fetched, negative on failure.
VK_PLATFORM_API int64_t VkLnk_getFileU(VkCErrorListPool& pool, void* reserved,
                                       VkTFTClientHandle client, const char* remoteFolder,
                                       const char* remoteName, const wchar_t* localPath,
                                       VkTFTProgressFunction progress, void* context);
// Bytes written, negative on failure.
VK_PLATFORM_API int64_t VkLnk_putFileU(VkCErrorListPool& pool, void* reserved,
                                       VkTFTClientHandle client, const wchar_t* localPath,
                                       const char* remoteFolder, const char* remoteName,
                                       VkTFTProgressFunction progress, void* context);
// 0 when the folder was created.
VK_PLATFORM_API int32_t VkLnk_makeDir(VkCErrorListPool& pool, void* reserved,
                                      VkTFTClientHandle client, const char* baseFolder,
                                      const char* relativePath);
// Negative on failure.
VK_PLATFORM_API int32_t VkLnk_renameFile(VkCErrorListPool& pool, void* reserved,
                                         VkTFTClientHandle client, const char* folder,
                                         const char* oldName, const char* newName);
