// Access restriction and reset of the host interface library. Level 0x10003 is exclusive:
// it is an operating-system lock on the target's access.lock, so a second holder in this or
// another process is refused, and a holder that dies frees it.
#include "VkLnk.h"
#include "sim/call_support.h"
#include "sim/sim_errors.h"
#include "sim/target_start.h"
#include "sim/target_store.h"
#include "sim/update_sessions.h"

using namespace vksim;

namespace {

constexpr uint32_t kExclusiveLevel = 0x10003;

AccessRestriction* restrictionFor(VkCErrorListPool& pool, const char* function,
                                  const void* handle) {
    return handleFor<AccessRestriction>(pool, function, handle, "access restriction handle");
}

}  // namespace

int32_t VkLnk_createAccessRestrictionHandle(VkCErrorListPool& pool, VkTDeviceHandle handle,
                                            VkTAccessRestrictionHandle& restriction) {
    const char* function = "VkLnk_createAccessRestrictionHandle";
    restriction = nullptr;
    Device* device = deviceFor(pool, function, handle);
    if (device == nullptr) {
        return kResultInvalidHandle;
    }
    SharedTarget target;
    int32_t result = kResultOk;
    if (!passTargetAndFaults(pool, function, device->folder, "createAccessRestrictionHandle", {},
                             target, &result)) {
        return result;
    }
    auto created = std::make_unique<AccessRestriction>();
    created->folder = device->folder;
    restriction = addHandle(std::move(created));
    return kResultOk;
}

int32_t VkLnk_requestAccessRestrictionLevel(VkCErrorListPool& pool,
                                            VkTAccessRestrictionHandle handle, uint32_t,
                                            uint32_t level) {
    const char* function = "VkLnk_requestAccessRestrictionLevel";
    AccessRestriction* restriction = restrictionFor(pool, function, handle);
    if (restriction == nullptr) {
        return kResultInvalidHandle;
    }
    SharedTarget target;
    int32_t result = kResultOk;
    if (!passTargetAndFaults(pool, function, restriction->folder, "requestAccessRestrictionLevel",
                             {}, target, &result)) {
        return result;
    }
    restriction->lock.release();
    restriction->level = 0;
    if (level == 0) {
        return kResultOk;
    }
    const FileLock::Mode mode =
        level == kExclusiveLevel ? FileLock::Mode::Exclusive : FileLock::Mode::Shared;
    bool busy = false;
    std::string error;
    if (!restriction->lock.acquire(accessLockOf(restriction->folder), mode, false, busy, error)) {
        if (busy) {
            enterError(pool, kErrAccessDenied, function,
                       "Access to target \"" + target->systemName +
                           "\" is refused: another host tool holds an access restriction on it.");
            return kResultAccessDenied;
        }
        enterError(pool, kErrHostFile, function, error);
        return kResultFailed;
    }
    restriction->level = level;
    return kResultOk;
}

int32_t VkLnk_deleteAccessRestrictionHandle(VkCErrorListPool& pool,
                                            VkTAccessRestrictionHandle handle) {
    const char* function = "VkLnk_deleteAccessRestrictionHandle";
    std::unique_ptr<AccessRestriction> restriction = removeHandle<AccessRestriction>(handle);
    if (!restriction) {
        enterError(pool, kErrInvalidHandle, function,
                   std::string(function) + ": the access restriction handle is not valid.");
        return kResultInvalidHandle;
    }
    return releaseFault(pool, function, restriction->folder, "deleteAccessRestrictionHandle");
}

int32_t VkLnk_FORCE_resetDevice(VkCErrorListPool& pool, VkTDeviceHandle handle, uint32_t) {
    const char* function = "VkLnk_FORCE_resetDevice";
    Device* device = deviceFor(pool, function, handle);
    if (device == nullptr) {
        return kResultInvalidHandle;
    }
    SharedTarget target;
    int32_t result = kResultOk;
    if (!passTargetAndFaults(pool, function, device->folder, "resetDevice", {}, target, &result)) {
        return result;
    }
    std::string error;
    const bool counted = changeTarget(
        device->folder,
        [](Target& current, std::string&) {
            // Stays at its largest value rather than wrapping to 0.
            current.doc["rebootCount"] =
                current.rebootCount == UINT64_MAX ? UINT64_MAX : current.rebootCount + 1;
            takeUpWrittenFirmware(current);
            return true;
        },
        error);
    if (!counted) {
        enterError(pool, kErrTargetFile, function,
                   "The simulated target cannot be reset: " + error);
        return kResultFailed;
    }
    // A reboot ends whatever the target was doing.
    forgetUpdates(device->folder);
    return kResultOk;
}
