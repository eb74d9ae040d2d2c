#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "VkPlatformApi.h"
#include "sim/file_lock.h"

// The objects behind the opaque handles of the calls. Every handle given out is registered,
// so a handle that was never given out, or was released, is recognised and refused instead
// of being followed.
namespace vksim {

struct DeviceFilter {
    bool applied = false;
    bool byName = false;
    std::string systemName;
    bool byAddress = false;
    uint32_t ipAddress = 0;
    uint32_t parameter8 = 0;  // accepted and kept; they do not narrow the simulated search
    uint32_t parameter9 = 0;
};

struct Device {
    std::string folder;  // the target's folder
    std::string systemName;
};

struct AccessRestriction {
    std::string folder;
    uint32_t level = 0;  // 0 until a level was granted
    FileLock lock;
};

struct FtClient {
    std::string folder;
};

struct InventoryLock {
    std::string folder;
    FileLock lock;
};

template <typename T>
class HandleTable {
  public:
    static HandleTable& instance() {
        static HandleTable table;
        return table;
    }
    void* add(std::unique_ptr<T> object) {
        std::lock_guard<std::mutex> hold(mutex_);
        T* raw = object.get();
        objects_[raw] = std::move(object);
        return raw;
    }
    // The object of a handle, null when the handle is not a live one of this kind.
    T* find(const void* handle) {
        std::lock_guard<std::mutex> hold(mutex_);
        const auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second.get();
    }
    size_t size() {
        std::lock_guard<std::mutex> hold(mutex_);
        return objects_.size();
    }
    std::unique_ptr<T> remove(const void* handle) {
        std::lock_guard<std::mutex> hold(mutex_);
        const auto it = objects_.find(handle);
        if (it == objects_.end()) {
            return nullptr;
        }
        std::unique_ptr<T> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

  private:
    std::mutex mutex_;
    std::map<const void*, std::unique_ptr<T>> objects_;
};

// The file-transfer clients created and not yet deleted in this process (for tests that
// check that every client is released).
VK_PLATFORM_API size_t openFtClientCount();

template <typename T>
void* addHandle(std::unique_ptr<T> object) {
    return HandleTable<T>::instance().add(std::move(object));
}
template <typename T>
T* findHandle(const void* handle) {
    return HandleTable<T>::instance().find(handle);
}
template <typename T>
std::unique_ptr<T> removeHandle(const void* handle) {
    return HandleTable<T>::instance().remove(handle);
}

}  // namespace vksim

// The opaque root of a target's inventory.
class VkCInventoryRootHandle {
  public:
    std::string folder;
};
