#include "driver/device_access.h"

#include <algorithm>
#include <string>
#include <vector>

#include "VkNRtosAbstraction.h"
#include "driver/host_name_lookup.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

bool startsWithLetter(const wchar_t* text) {
    const wchar_t first = text[0];
    return (first >= L'a' && first <= L'z') || (first >= L'A' && first <= L'Z');
}

// The device filter of one search; deleted on every way out unless deleted explicitly.
class DeviceFilter {
  public:
    explicit DeviceFilter(VkCErrorListPool& pool) : pool_(pool) {}
    ~DeviceFilter() { release(); }
    DeviceFilter(const DeviceFilter&) = delete;
    DeviceFilter& operator=(const DeviceFilter&) = delete;

    int32_t create() { return VkLnk_createFilter(pool_, handle_, 1); }
    VkTFilterHandle handle() const { return handle_; }
    int32_t release() {
        if (handle_ == nullptr) {
            return 0;
        }
        const int32_t result = VkLnk_deleteFilter(pool_, handle_);
        handle_ = nullptr;
        return result;
    }

  private:
    VkCErrorListPool& pool_;
    VkTFilterHandle handle_ = nullptr;
};

int32_t setFilterValue(VkCErrorListPool& pool, VkTFilterHandle filter, uint32_t parameter,
                       uint32_t value) {
    return VkLnk_setFilterParameter(pool, filter, parameter, sizeof value, &value);
}

// Narrows the search to the target the options name: its address, else its system name.
int32_t setTargetFilter(VkCErrorListPool& pool, VkTFilterHandle filter,
                        const VkTCmdOptions& options) {
    if (options.ipAddress.isEmpty()) {
        const VkCString& name = options.systemName;
        return VkLnk_setFilterParameter(pool, filter, VkLnk_FILTER_SYSTEM_NAME,
                                        static_cast<uint32_t>(name.length() + 1), name.c_str());
    }
    const uint32_t errorsBefore = pool.getErrorCount();
    const uint32_t address = VkNRtosAbstraction::stringToIpV4(pool, options.ipAddress.c_str());
    if (pool.getErrorCount() != errorsBefore) {
        return -1;
    }
    return setFilterValue(pool, filter, VkLnk_FILTER_IPV4, address);
}

// Lists the devices the filter lets through. The first call only learns how many there are;
// its "buffer too small" entry is expected and taken out of the pool again, leaving whatever
// the pool held before untouched.
int32_t listDevices(VkCErrorListPool& pool, VkTFilterHandle filter,
                    std::vector<VkSDeviceInformation>& devices) {
    const VkCErrorListPool before = pool;
    uint32_t count = 0;
    int32_t result = VkLnk_getDeviceList(pool, filter, nullptr, count);
    if (result == VkLnk_ERR_BUFFER_TOO_SMALL) {
        devices.resize(count);
        pool = before;
        result = VkLnk_getDeviceList(pool, filter, devices.data(), count);
    }
    devices.resize(result == 0 ? std::min<size_t>(count, devices.size()) : 0);
    return result;
}

}  // namespace

bool resolveTargetAddress(VkCErrorListPool& pool, const wchar_t* text, char* buffer,
                          size_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        return false;
    }
    buffer[0] = '\0';
    const std::string narrow = wideToUtf8(text ? text : L"");
    uint32_t address = 0;
    if (text != nullptr && startsWithLetter(text)) {
        if (!lookUpHostIpv4(narrow.c_str(), address)) {
            return false;
        }
    } else {
        const uint32_t errorsBefore = pool.getErrorCount();
        address = VkNRtosAbstraction::stringToIpV4(pool, narrow.c_str());
        if (pool.getErrorCount() != errorsBefore) {
            return false;
        }
    }
    VkNRtosAbstraction::ipToString(address, buffer, capacity);
    return buffer[0] != '\0';
}

int32_t openDeviceHandle(VkCErrorListPool& pool, VkTCmdOptions options, VkTDeviceHandle& device) {
    device = nullptr;
    DeviceFilter filter(pool);
    int32_t result = filter.create();
    if (result != 0) {
        return result;
    }
    if ((result = setFilterValue(pool, filter.handle(), VkLnk_FILTER_PARAM_8, 1)) != 0 ||
        (result = setFilterValue(pool, filter.handle(), VkLnk_FILTER_PARAM_9, 0)) != 0 ||
        (result = setTargetFilter(pool, filter.handle(), options)) != 0 ||
        (result = VkLnk_applyFilter(pool, filter.handle())) != 0) {
        return result;
    }
    std::vector<VkSDeviceInformation> devices;
    result = listDevices(pool, filter.handle(), devices);
    if (result != 0 || devices.size() != 1) {
        return result;
    }
    if ((result = filter.release()) != 0) {
        return result;
    }
    VkTDeviceHandle opened = nullptr;
    result = VkLnk_createDeviceHandle(pool, opened, devices.front());
    if (result == 0) {
        device = opened;
    }
    return result;
}
