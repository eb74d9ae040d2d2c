#pragma once
// A simulated target of its own for a test: <scratch>/targets/<name>/target.json with the
// inventory given (none by default) and a cfdrive folder, found through VK_SIM_TARGETS, and a
// device handle on it from the ordinary device search.
#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "VkLnk.h"
#include "update/scratch_folder.h"

class SimTarget {
  public:
    // inventory: the JSON array of the target's inventory items.
    SimTarget(const ScratchFolder& scratch, const std::string& name, const std::string& faults,
              const std::string& inventory = "[]")
        : folder_(scratch.file("targets/" + name)), name_(name) {
        scratch.write("targets/" + name + "/target.json",
                      text("{\"systemName\": \"" + name +
                           "\", \"ipAddress\": \"10.20.30.40\", \"inventory\": " + inventory +
                           ", \"faults\": " + faults + "}\n"));
        scratch.write("targets/" + name + "/cfdrive/.keep", {});
        ::setenv("VK_SIM_TARGETS", scratch.file("targets").c_str(), 1);
        open();
    }
    ~SimTarget() {
        if (device_ != nullptr) {
            VkCErrorListPool pool;
            VkLnk_deleteDeviceHandle(pool, device_);
        }
    }
    SimTarget(const SimTarget&) = delete;
    SimTarget& operator=(const SimTarget&) = delete;

    VkTDeviceHandle device() const { return device_; }
    const std::string& searchProblem() const { return problem_; }
    // Path of a file on the target's CN drive (/mnt/cn/cfdrive/<relative>).
    std::string cfdriveFile(const std::string& relative) const {
        return folder_ + "/cfdrive/" + relative;
    }

    static std::vector<char> text(const std::string& s) {
        return std::vector<char>(s.begin(), s.end());
    }

  private:
    void open() {
        VkCErrorListPool pool;
        VkTFilterHandle filter = nullptr;
        VkLnk_createFilter(pool, filter, 1);
        VkLnk_setFilterParameter(pool, filter, VkLnk_FILTER_SYSTEM_NAME,
                                 static_cast<uint32_t>(name_.size() + 1), name_.c_str());
        VkLnk_applyFilter(pool, filter);
        VkSDeviceInformation records[4];
        uint32_t count = 4;
        const int32_t result = VkLnk_getDeviceList(pool, filter, records, count);
        if (result == 0 && count == 1) {
            VkLnk_createDeviceHandle(pool, device_, records[0]);
        } else {
            problem_ = "device search: result " + std::to_string(result) + ", " +
                       std::to_string(count) + " devices";
        }
        VkLnk_deleteFilter(pool, filter);
        if (pool.getErrorCount() != 0) {
            problem_ += " " + std::string(pool.getErrorText(0).c_str());
        }
    }

    std::string folder_;
    std::string name_;
    VkTDeviceHandle device_ = nullptr;
    std::string problem_;
};
