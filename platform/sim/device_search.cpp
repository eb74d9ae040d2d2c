// Device search of the host interface library over the targets folder: filters, the device
// list and device handles.
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "VkLnk.h"
#include "VkNRtosAbstraction.h"
#include "sim/call_support.h"
#include "sim/device_record.h"
#include "sim/sim_errors.h"
#include "sim/target_cache.h"
#include "sim/target_store.h"
#include "sim/targets_folder.h"

using namespace vksim;

namespace {

DeviceFilter* filterFor(VkCErrorListPool& pool, const char* function, const void* handle) {
    return handleFor<DeviceFilter>(pool, function, handle, "device filter handle");
}

int32_t invalidArgument(VkCErrorListPool& pool, const char* function, const std::string& text) {
    enterError(pool, kErrInvalidArgument, function, std::string(function) + ": " + text);
    return kResultInvalidArgument;
}

bool passesFilter(const DeviceFilter& filter, const Target& target) {
    return (!filter.byName || filter.systemName == target.systemName) &&
           (!filter.byAddress || filter.ipAddress == target.ipAddress);
}

// A filter by system name or address is meant to find one target; when several answer, an
// error says which, since the caller only sees that the device was not found.
void reportAmbiguity(VkCErrorListPool& pool, const DeviceFilter& filter,
                     const std::vector<std::string>& folders) {
    if ((!filter.byName && !filter.byAddress) || folders.size() < 2) {
        return;
    }
    char address[32] = {};
    VkNRtosAbstraction::ipToString(filter.ipAddress, address, sizeof address);
    const std::string what = filter.byName ? "system name \"" + filter.systemName + "\""
                                           : std::string("IP address ") + address;
    std::string list;
    for (const std::string& folder : folders) {
        list += (list.empty() ? "" : ", ") + folder;
    }
    enterError(pool, kErrAmbiguousTarget, "VkLnk_getDeviceList",
               "The " + what + " is ambiguous: " + std::to_string(folders.size()) +
                   " simulated targets have it (" + list + ").");
}

// The devices the filter lets through, or a result code other than 0 when the search fails.
int32_t searchDevices(VkCErrorListPool& pool, const DeviceFilter& filter,
                      std::vector<VkSDeviceInformation>& found) {
    const char* function = "VkLnk_getDeviceList";
    const TargetsFolder targets = locateTargetsFolder();
    if (targets.state == ServiceState::Unreachable) {
        enterError(pool, kErrServiceUnreachable, function, targets.problem);
        return kResultServiceUnreachable;
    }
    if (targets.state == ServiceState::Outdated) {
        enterError(pool, kErrServiceOutdated, function, targets.problem);
        return kResultServiceOutdated;
    }
    std::vector<std::string> passed;
    for (const std::string& folder : listTargetFolders(targets.path)) {
        std::string error;
        const SharedTarget target = currentTarget(folder, error);
        if (!target) {
            // A broken target is left out; the warning says why without failing the search.
            enterWarning(pool, kErrTargetFile, function, "Simulated target left out: " + error);
            continue;
        }
        if (!passesFilter(filter, *target)) {
            continue;
        }
        if (const std::optional<Fault> fault = takeFault(*target, "getDeviceList", {})) {
            enterFaultError(pool, function, *target, *fault);
            return faultResult(*fault);
        }
        VkSDeviceInformation record;
        if (!writeDeviceRecord({target->ipAddress, target->systemName, folder}, record)) {
            enterWarning(pool, kErrTargetFile, function,
                         "Simulated target left out: its folder path is too long: " + folder);
            continue;
        }
        found.push_back(record);
        passed.push_back(folder);
    }
    reportAmbiguity(pool, filter, passed);
    return kResultOk;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int32_t VkLnk_createFilter(VkCErrorListPool&, VkTFilterHandle& filter, uint32_t) {
    filter = addHandle(std::make_unique<DeviceFilter>());
    return kResultOk;
}

int32_t VkLnk_setFilterParameter(VkCErrorListPool& pool, VkTFilterHandle handle, uint32_t parameter,
                                 uint32_t size, const void* value) {
    const char* function = "VkLnk_setFilterParameter";
    DeviceFilter* filter = filterFor(pool, function, handle);
    if (filter == nullptr) {
        return kResultInvalidHandle;
    }
    if (value == nullptr || size == 0) {
        return invalidArgument(pool, function, "no value given.");
    }
    uint32_t number = 0;
    if (parameter != VkLnk_FILTER_SYSTEM_NAME) {
        if (size != sizeof number) {
            return invalidArgument(pool, function,
                                   "parameter " + std::to_string(parameter) + " takes 4 bytes.");
        }
        std::memcpy(&number, value, sizeof number);
    }
    switch (parameter) {
        case VkLnk_FILTER_SYSTEM_NAME: {
            const char* text = static_cast<const char*>(value);
            const void* end = std::memchr(text, 0, size);
            filter->systemName.assign(text, end ? static_cast<const char*>(end) - text : size);
            filter->byName = true;
            break;
        }
        case VkLnk_FILTER_IPV4:
            filter->ipAddress = number;
            filter->byAddress = true;
            break;
        case VkLnk_FILTER_PARAM_8:
            filter->parameter8 = number;
            break;
        case VkLnk_FILTER_PARAM_9:
            filter->parameter9 = number;
            break;
        default:
            return invalidArgument(pool, function,
                                   "unknown filter parameter " + std::to_string(parameter) + ".");
    }
    filter->applied = false;
    return kResultOk;
}

int32_t VkLnk_applyFilter(VkCErrorListPool& pool, VkTFilterHandle handle) {
    DeviceFilter* filter = filterFor(pool, "VkLnk_applyFilter", handle);
    if (filter == nullptr) {
        return kResultInvalidHandle;
    }
    filter->applied = true;
    return kResultOk;
}

int32_t VkLnk_getDeviceList(VkCErrorListPool& pool, VkTFilterHandle handle,
                            VkSDeviceInformation* records, uint32_t& count) {
    const char* function = "VkLnk_getDeviceList";
    DeviceFilter* filter = filterFor(pool, function, handle);
    if (filter == nullptr) {
        return kResultInvalidHandle;
    }
    if (!filter->applied) {
        return invalidArgument(pool, function, "the filter has not been applied.");
    }
    std::vector<VkSDeviceInformation> found;
    const int32_t result = searchDevices(pool, *filter, found);
    if (result != kResultOk) {
        return result;
    }
    const uint32_t capacity = records == nullptr ? 0 : count;
    count = static_cast<uint32_t>(found.size());
    if (found.size() > capacity) {
        enterError(pool, kErrBufferTooSmall, function,
                   "Room for " + std::to_string(capacity) + " device records, " +
                       std::to_string(found.size()) + " devices found.");
        return kResultBufferTooSmall;
    }
    std::copy(found.begin(), found.end(), records);
    return kResultOk;
}

int32_t VkLnk_createDeviceHandle(VkCErrorListPool& pool, VkTDeviceHandle& device,
                                 const VkSDeviceInformation& record) {
    const char* function = "VkLnk_createDeviceHandle";
    device = nullptr;
    DeviceRecordContent content;
    if (!readDeviceRecord(record, content)) {
        return invalidArgument(pool, function, "the device information record is not valid.");
    }
    if (!isFolder(content.folder)) {
        enterError(pool, kErrTargetFile, function,
                   "The simulated target " + content.folder + " no longer exists.");
        return kResultFailed;
    }
    SharedTarget target;
    int32_t result = kResultOk;
    if (!passTargetAndFaults(pool, function, content.folder, "createDeviceHandle", {}, target,
                             &result)) {
        return result;
    }
    device = addHandle(std::make_unique<Device>(Device{content.folder, target->systemName}));
    return kResultOk;
}

int32_t VkLnk_deleteFilter(VkCErrorListPool& pool, VkTFilterHandle handle) {
    if (!removeHandle<DeviceFilter>(handle)) {
        enterError(pool, kErrInvalidHandle, "VkLnk_deleteFilter",
                   "VkLnk_deleteFilter: the device filter handle is not valid.");
        return kResultInvalidHandle;
    }
    return kResultOk;
}

int32_t VkLnk_deleteDeviceHandle(VkCErrorListPool& pool, VkTDeviceHandle handle) {
    const char* function = "VkLnk_deleteDeviceHandle";
    std::unique_ptr<Device> device = removeHandle<Device>(handle);
    if (!device) {
        enterError(pool, kErrInvalidHandle, function,
                   std::string(function) + ": the device handle is not valid.");
        return kResultInvalidHandle;
    }
    // The handle is released even when a simulated fault makes the call fail.
    return releaseFault(pool, function, device->folder, "deleteDeviceHandle");
}
