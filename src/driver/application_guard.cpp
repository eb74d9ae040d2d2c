#include "driver/application_guard.h"

#include <cstdio>

#include "VkApplMan.h"
#include "reporting/console.h"

namespace {

constexpr uint32_t kExclusiveAccessLevel = 0x10003;
constexpr int32_t kApplicationCapacity = 255;

// The access restriction of one guard run; deleted when the run ends, whatever its outcome.
class AccessRestriction {
  public:
    AccessRestriction(VkCErrorListPool& pool, VkTDeviceHandle device) : pool_(pool) {
        VkTAccessRestrictionHandle handle = nullptr;
        if (VkLnk_createAccessRestrictionHandle(pool, device, handle) == 0) {
            handle_ = handle;
        }
    }
    ~AccessRestriction() {
        if (handle_ != nullptr) {
            VkLnk_deleteAccessRestrictionHandle(pool_, handle_);
        }
    }
    AccessRestriction(const AccessRestriction&) = delete;
    AccessRestriction& operator=(const AccessRestriction&) = delete;

    VkTAccessRestrictionHandle handle() const { return handle_; }

  private:
    VkCErrorListPool& pool_;
    VkTAccessRestrictionHandle handle_ = nullptr;
};

bool mayAskUser(const VkTCmdOptions& options) {
    return !options.assumeYes && !options.silent;
}

// The application list could not be read: go on only if not asking, or if the user agrees.
int32_t decideWithoutApplicationList(const VkTCmdOptions& options) {
    if (!mayAskUser(options)) {
        reportMessage(
            L"ERROR: Cannot determine whether real-time applications are loaded on target "
            L"system! Trying to start update anyway...\n");
        return 0;
    }
    reportMessage(
        L"ERROR: Cannot determine whether real-time applications are loaded on target "
        L"system!\n");
    reportMessage(L"\nDo you want to start the update anyway (y/n)?");
    return readYesAnswer() ? 0 : -1;
}

int32_t unloadApplications(VkCErrorListPool& pool, VkTDeviceHandle device,
                           VkTAccessRestrictionHandle restriction, const uint32_t* ids,
                           int32_t count) {
    reportMessage(L"\n");
    for (int32_t i = 0; i < count; ++i) {
        if (VkApplMan_unloadAppl(pool, device, restriction, ids[i]) != 0) {
            reportMessage(L"\nApplication with ID 0x%X can't be unloaded!\n", ids[i]);
            return -1;
        }
        reportMessage(L"\tApplication with ID: 0x%x unloaded\n", ids[i]);
    }
    return 0;
}

int32_t clearApplications(VkCErrorListPool& pool, const VkTCmdOptions& options,
                          VkTDeviceHandle device, VkTAccessRestrictionHandle restriction) {
    uint32_t ids[kApplicationCapacity] = {};
    int32_t count = kApplicationCapacity;
    if (VkApplMan_getApplications(pool, device, restriction, 0, ids, count) != 0) {
        return decideWithoutApplicationList(options);
    }
    if (count <= 0) {
        return 0;
    }
    if (count > kApplicationCapacity) {
        count = kApplicationCapacity;
    }
    if (mayAskUser(options)) {
        reportMessage(
            L"\nLoaded Application(s) found!\nDo you want to unload all applications (y/n)?");
        if (!readYesAnswer()) {
            reportMessage(L"\nERROR: Real-time application is running on target system!\n");
            return -1;
        }
    }
    return unloadApplications(pool, device, restriction, ids, count);
}

}  // namespace

bool readYesAnswer() {
    const int first = std::fgetc(stdin);
    int c = first;
    while (c != EOF && c != '\n') {
        c = std::fgetc(stdin);
    }
    return first == 'y' || first == 'Y';
}

int32_t checkRunningApplications(VkCErrorListPool& pool, VkTCmdOptions options,
                                 VkTDeviceHandle device) {
    AccessRestriction restriction(pool, device);
    if (restriction.handle() == nullptr) {
        reportMessage(L"ERROR: Create access restriction handle failed.\n");
        return -1;
    }
    if (VkLnk_requestAccessRestrictionLevel(pool, restriction.handle(), 0, kExclusiveAccessLevel) !=
        0) {
        reportMessage(
            L"ERROR: Cannot gain access to target device. Maybe another host tool is locking "
            L"the target device.\nPlease close all Velkor tools and retry the firmware "
            L"update.\n");
        return -1;
    }
    return clearApplications(pool, options, device, restriction.handle());
}
