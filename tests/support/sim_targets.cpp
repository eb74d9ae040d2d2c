#include "support/sim_targets.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

SimTargets::SimTargets() {
    std::filesystem::create_directories(path());
    ::setenv("VK_SIM_TARGETS", path().c_str(), 1);
}

SimTargets::~SimTargets() {
    for (VkTDeviceHandle device : devices_) {
        VkCErrorListPool pool;
        VkLnk_deleteDeviceHandle(pool, device);
    }
    ::unsetenv("VK_SIM_TARGETS");
}

std::string SimTargets::add(const std::string& name, const Json& target) {
    return addText(name, target.dump(2) + "\n");
}

std::string SimTargets::addText(const std::string& name, const std::string& targetJson) {
    temp_.write("targets/" + name + "/cfdrive/.keep", "");
    temp_.write("targets/" + name + "/target.json", targetJson);
    return folder(name);
}

SimTargets::Json SimTargets::read(const std::string& name) const {
    std::ifstream in(folder(name) + "/target.json");
    return Json::parse(in, nullptr, false);
}

void SimTargets::markOutdated() const {
    temp_.write("targets/broker.json", R"({"outdated": true})");
}

VkTDeviceHandle SimTargets::open(const std::string& systemName) {
    VkCErrorListPool pool;
    VkTFilterHandle filter = nullptr;
    VkLnk_createFilter(pool, filter, 1);
    VkLnk_setFilterParameter(pool, filter, VkLnk_FILTER_SYSTEM_NAME,
                             static_cast<uint32_t>(systemName.size() + 1), systemName.c_str());
    VkLnk_applyFilter(pool, filter);
    VkSDeviceInformation records[4];
    uint32_t count = 4;
    const int32_t result = VkLnk_getDeviceList(pool, filter, records, count);
    VkTDeviceHandle device = nullptr;
    if (result == 0 && count == 1) {
        VkLnk_createDeviceHandle(pool, device, records[0]);
    }
    VkLnk_deleteFilter(pool, filter);
    problem_.clear();
    if (device == nullptr) {
        problem_ = "device search: result " + std::to_string(result) + ", " +
                   std::to_string(count) + " devices";
        if (pool.getErrorCount() != 0) {
            problem_ += " " + std::string(pool.getErrorText(0).c_str());
        }
    } else {
        devices_.push_back(device);
    }
    return device;
}

SimTargets::Json SimTargets::target(const std::string& systemName, const std::string& ip,
                                    const Json& inventory, const Json& faults) {
    Json doc{{"systemName", systemName}, {"ipAddress", ip}, {"inventory", inventory}};
    if (!faults.is_null()) {
        doc["faults"] = faults;
    }
    return doc;
}

SimTargets::Json SimTargets::board(const std::string& id, const std::string& boardType,
                                   uint32_t serial, uint32_t systemClass, const Json& product,
                                   const Json& items) {
    Json params = product;
    params["BOARD_TYPE"] = boardType;
    params["SERIAL_NUMBER"] = serial;
    if (systemClass != 0) {
        params["SYSTEM_CLASS"] = systemClass;
    }
    Json all = Json::array({Json{{"id", "PRODUCT"}, {"params", params}}});
    for (const Json& item : items) {
        all.push_back(item);
    }
    return Json{{"id", id}, {"items", all}};
}

SimTargets::Json SimTargets::part(const std::string& id, const std::string& version,
                                  const std::string& history) {
    Json params{{"VERSION", version}};
    if (!history.empty()) {
        params["VERSION_HISTORY"] = history;
    }
    return Json{{"id", id}, {"params", params}};
}

SimTargets::Json SimTargets::fault(const std::string& call, uint32_t times) {
    Json f{{"call", call}};
    if (times != 0) {
        f["times"] = times;
    }
    return f;
}
