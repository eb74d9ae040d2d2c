#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

// A folder of simulated targets in a fresh temporary folder, announced to the platform
// through VK_SIM_TARGETS for the life of the object.
class SimTargets {
  public:
    using Json = nlohmann::ordered_json;

    SimTargets() {
        char pattern[] = "/tmp/vk-driver-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        root_ = made ? made : "";
        setenv("VK_SIM_TARGETS", root_.c_str(), 1);
    }
    ~SimTargets() {
        unsetenv("VK_SIM_TARGETS");
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    SimTargets(const SimTargets&) = delete;
    SimTargets& operator=(const SimTargets&) = delete;

    // Writes <root>/<name>/target.json and an empty cfdrive folder.
    void add(const std::string& name, const Json& target) {
        const std::filesystem::path folder = std::filesystem::path(root_) / name;
        std::filesystem::create_directories(folder / "cfdrive");
        std::ofstream(folder / "target.json") << target.dump(2) << "\n";
    }
    Json read(const std::string& name) const {
        std::ifstream in(std::filesystem::path(root_) / name / "target.json");
        return Json::parse(in);
    }
    // The device service answers that it is older than the library.
    void markOutdated() {
        std::ofstream(std::filesystem::path(root_) / "broker.json") << R"({"outdated": true})";
    }

    const std::string& path() const { return root_; }

    // A target document with the given identity and inventory items.
    static Json target(const std::string& systemName, const std::string& ip,
                       const Json& inventory = Json::array()) {
        return Json{{"systemName", systemName}, {"ipAddress", ip}, {"inventory", inventory}};
    }
    // A board item: PRODUCT with board type, serial number and class, plus extra PRODUCT
    // parameters and sub items.
    static Json board(const std::string& id, const std::string& boardType, uint32_t serial,
                      uint32_t systemClass, const Json& product = Json::object(),
                      const Json& items = Json::array()) {
        Json params = product;
        params["BOARD_TYPE"] = boardType;
        params["SERIAL_NUMBER"] = serial;
        if (systemClass != 0) {
            params["SYSTEM_CLASS"] = systemClass;
        }
        Json all = Json::array();
        all.push_back(Json{{"id", "PRODUCT"}, {"params", params}});
        for (const Json& item : items) {
            all.push_back(item);
        }
        return Json{{"id", id}, {"items", all}};
    }
    // A firmware part item (FIRMWARE, FPGAFIRMWARE[2], ...) with its version and history.
    static Json part(const std::string& id, const std::string& version,
                     const std::string& history = "") {
        Json params{{"VERSION", version}};
        if (!history.empty()) {
            params["VERSION_HISTORY"] = history;
        }
        return Json{{"id", id}, {"params", params}};
    }
    static Json fault(const std::string& call, uint32_t times = 0) {
        Json f{{"call", call}};
        if (times != 0) {
            f["times"] = times;
        }
        return f;
    }

  private:
    std::string root_;
};
