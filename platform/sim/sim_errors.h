#pragma once
#include <cstdint>
#include <string>

#include "VkCErrorList.h"
#include "VkLnk.h"
#include "VkPlatformApi.h"

// Error codes and result codes of the simulated target, and the one way the simulation
// enters an error into a caller's pool.
namespace vksim {

// Codes of the entries the simulation enters into error pools.
enum ErrorCode : uint32_t {
    kErrServiceUnreachable = 0x01410001,
    kErrServiceOutdated = 0x01410002,
    kErrBufferTooSmall = 0x01410003,
    kErrInvalidHandle = 0x01410004,
    kErrInvalidArgument = 0x01410005,
    kErrTargetFile = 0x01410006,
    kErrAccessDenied = 0x01410007,
    kErrTargetLocked = 0x01410008,
    kErrNotLocked = 0x01410009,
    kErrNoSuchNode = 0x0141000A,
    kErrHostFile = 0x0141000B,
    kErrRemotePath = 0x0141000C,
    kErrRemoteFile = 0x0141000D,
    kErrNoApplication = 0x0141000E,
    kErrUpdateState = 0x0141000F,
    kErrBadImage = 0x01410010,
    kErrChecksum = 0x01410011,
    kErrSimulatedFault = 0x01410012,
    kErrFirmwareType = 0x01410013,
    kErrUpdateEnded = 0x01410014,
    kErrAmbiguousTarget = 0x01410015,
};

// Non-zero results of the host interface library and the application manager. The codes the
// callers tell apart are those of VkLnk.h; the others only say "failed".
enum ResultCode : int32_t {
    kResultOk = VkLnk_OK,
    kResultFailed = 1,
    kResultInvalidHandle = 2,
    kResultInvalidArgument = 3,
    kResultAccessDenied = 4,
    kResultBufferTooSmall = VkLnk_ERR_BUFFER_TOO_SMALL,
    kResultServiceUnreachable = VkLnk_ERR_SERVICE_UNREACHABLE,
    kResultServiceOutdated = VkLnk_ERR_SERVICE_OUTDATED,
};

// Enters an error entry with a ready-made text. node is the serial number of the reporting
// board, 0 for the host computer.
VK_PLATFORM_API void enterError(VkCErrorListPool& pool, uint32_t code, const char* function,
                                const std::string& text, uint32_t node = 0);

// Enters an entry that is only a warning: it is listed, but the error count stays.
void enterWarning(VkCErrorListPool& pool, uint32_t code, const char* function,
                  const std::string& text);

}  // namespace vksim
