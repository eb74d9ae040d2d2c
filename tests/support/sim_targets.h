#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "VkLnk.h"
#include "support/temp_folder.h"

// A folder of simulated targets in a fresh temporary folder, announced to the platform through
// VK_SIM_TARGETS for the life of the object. Targets are written in the simulator's own JSON
// form; the builders below keep them to a line or two in a test.
class SimTargets {
  public:
    using Json = nlohmann::ordered_json;

    SimTargets();
    ~SimTargets();
    SimTargets(const SimTargets&) = delete;
    SimTargets& operator=(const SimTargets&) = delete;

    // Writes <targets>/<name>/target.json and an empty cfdrive folder; returns the target's
    // folder.
    std::string add(const std::string& name, const Json& target);
    std::string addText(const std::string& name, const std::string& targetJson);
    Json read(const std::string& name) const;
    std::string folder(const std::string& name) const { return path() + "/" + name; }
    // A file on the target's CN drive (/mnt/cn/cfdrive/<relative>).
    std::string cfdriveFile(const std::string& name, const std::string& relative) const {
        return folder(name) + "/cfdrive/" + relative;
    }
    // The device service answers that it is older than the library.
    void markOutdated() const;

    std::string path() const { return temp_.file("targets"); }
    const TempFolder& temp() const { return temp_; }

    // A device handle from the ordinary device search by system name, released with the
    // object; null when not exactly one device answers (problem() then says what happened).
    VkTDeviceHandle open(const std::string& systemName);
    const std::string& problem() const { return problem_; }

    // A target document with the given identity, inventory items and faults.
    static Json target(const std::string& systemName, const std::string& ip = "10.20.30.40",
                       const Json& inventory = Json::array(), const Json& faults = Json());
    // A board item: PRODUCT with board type, serial number and (unless 0) class, plus extra
    // PRODUCT parameters and sub items.
    static Json board(const std::string& id, const std::string& boardType, uint32_t serial,
                      uint32_t systemClass, const Json& product = Json::object(),
                      const Json& items = Json::array());
    // A firmware part item (FIRMWARE, FPGAFIRMWARE[2], ...) with its version and history.
    static Json part(const std::string& id, const std::string& version,
                     const std::string& history = "");
    // A fault on one device call, firing `times` times (0: always).
    static Json fault(const std::string& call, uint32_t times = 0);

  private:
    TempFolder temp_;
    std::vector<VkTDeviceHandle> devices_;
    std::string problem_;
};
