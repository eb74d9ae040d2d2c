// The application manager: the real-time applications of a target are the identifiers in
// "applications" of its target.json; unloading one removes it from the file.
#include <algorithm>

#include "VkApplMan.h"
#include "sim/call_support.h"
#include "sim/sim_errors.h"
#include "sim/sim_text.h"
#include "sim/target_store.h"

using namespace vksim;

namespace {

// The device and a granted access restriction on the same target; null with an error in
// pool otherwise.
Device* checkAccess(VkCErrorListPool& pool, const char* function, const void* deviceHandle,
                    const void* restrictionHandle) {
    Device* device = deviceFor(pool, function, deviceHandle);
    if (device == nullptr) {
        return nullptr;
    }
    const AccessRestriction* restriction = findHandle<AccessRestriction>(restrictionHandle);
    if (restriction == nullptr || restriction->folder != device->folder) {
        enterError(pool, kErrInvalidHandle, function,
                   std::string(function) +
                       ": the access restriction handle is not valid for this device.");
        return nullptr;
    }
    if (restriction->level == 0) {
        enterError(pool, kErrAccessDenied, function,
                   std::string(function) + ": no access restriction level has been granted.");
        return nullptr;
    }
    return device;
}

}  // namespace

int32_t VkApplMan_getApplications(VkCErrorListPool& pool, VkTDeviceHandle deviceHandle,
                                  VkTAccessRestrictionHandle restriction, uint32_t, uint32_t* ids,
                                  int32_t& count) {
    const char* function = "VkApplMan_getApplications";
    const uint32_t capacity = ids == nullptr || count < 0 ? 0 : static_cast<uint32_t>(count);
    Device* device = checkAccess(pool, function, deviceHandle, restriction);
    if (device == nullptr) {
        return kResultInvalidHandle;
    }
    SharedTarget target;
    int32_t result = kResultOk;
    if (!passTargetAndFaults(pool, function, device->folder, "getApplications", {}, target,
                             &result)) {
        return result;
    }
    count = static_cast<int32_t>(target->applications.size());
    if (target->applications.size() > capacity) {
        enterError(pool, kErrBufferTooSmall, function,
                   "Room for " + std::to_string(capacity) + " application identifiers, " +
                       std::to_string(target->applications.size()) + " applications loaded.");
        return kResultBufferTooSmall;
    }
    std::copy(target->applications.begin(), target->applications.end(), ids);
    return kResultOk;
}

int32_t VkApplMan_unloadAppl(VkCErrorListPool& pool, VkTDeviceHandle deviceHandle,
                             VkTAccessRestrictionHandle restriction, uint32_t id) {
    const char* function = "VkApplMan_unloadAppl";
    Device* device = checkAccess(pool, function, deviceHandle, restriction);
    if (device == nullptr) {
        return kResultInvalidHandle;
    }
    SharedTarget target;
    int32_t result = kResultOk;
    const FaultSubject subject{{std::to_string(id), hexText(id)}, id};
    if (!passTargetAndFaults(pool, function, device->folder, "unloadAppl", subject, target,
                             &result)) {
        return result;
    }
    bool checked = false;
    bool loaded = false;
    std::string error;
    const bool saved = changeTarget(
        device->folder,
        [&](Target& current, std::string&) {
            checked = true;
            const auto position =
                std::find(current.applications.begin(), current.applications.end(), id);
            loaded = position != current.applications.end();
            if (loaded) {
                current.doc["applications"].erase(
                    static_cast<size_t>(position - current.applications.begin()));
            }
            return loaded;
        },
        error);
    if (checked && !loaded) {
        enterError(pool, kErrNoApplication, function,
                   "Application " + hexText(id) + " is not loaded on target \"" +
                       target->systemName + "\".");
        return kResultFailed;
    }
    if (!saved) {
        enterError(pool, kErrTargetFile, function,
                   "The application list cannot be saved: " + error);
        return kResultFailed;
    }
    return kResultOk;
}
