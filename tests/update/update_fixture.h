#pragma once
// Shared by the update and driver tests: the module state reset for each test, catalogue and
// board-table builders, and (StageTest) a simulated target holding the table's boards, opened,
// rooted and locked as an update run would, with real images in a firmware folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "VkCInventoryManager.h"
#include "VkNInventoryIDs.h"
#include "VkTCmdOptions.h"
#include "interface/module_state.h"
#include "interface/run_records.h"
#include "inventory/board_table.h"
#include "reporting/format.h"
#include "sim/images.h"
#include "support/captured_output.h"
#include "support/run_tables.h"
#include "support/sim_targets.h"
#include "update/update_run.h"
#include "utf8_conversion.h"

namespace update_test {

using Json = SimTargets::Json;

// Options that address target systemName, or the target at ip when given.
inline VkTCmdOptions optionsFor(uint32_t mode, const char* systemName = "lab",
                                const char* ip = "") {
    VkTCmdOptions options;
    options.mode = mode;
    options.systemName = systemName;
    options.ipAddress = ip;
    return options;
}

// A processing unit (firmware 5.2 with its history) and an FPGA-mode I/O router whose second,
// active FPGA image has fpgaImage2; both with what the reboot check reads.
inline Json labInventory(const std::string& fpgaImage2 = "5.1") {
    Json pc = SimTargets::board("HCN", "VKx86_32", 4711, 0x20001, {{"HW_TYPE", 1}});
    pc["params"] = {{"ACTIVE_FIRMWARE", 1}, {"ACTIVE_FPGA", 1}};
    pc["items"].push_back(SimTargets::part("FIRMWARE", "5.2", "5.2: reboot support"));
    Json router = SimTargets::board("IOROUTER", "VK7101", 12, 0x20004);
    router["params"] = {{"ACTIVE_FPGA", 2}};
    router["items"].push_back(
        Json{{"id", "HARDWARE"}, {"items", Json::array({SimTargets::part("CPLD", "4.1")})}});
    router["items"].push_back(SimTargets::part("FPGAFIRMWARE[2]", fpgaImage2));
    return Json::array({pc, router});
}

// Target "lab" (or systemName at ip) with the lab inventory, faults and running applications.
inline Json lab(const Json& faults = Json::array(), const Json& applications = Json(),
                const std::string& systemName = "lab", const std::string& ip = "192.168.0.10") {
    Json target = SimTargets::target(systemName, ip, labInventory(), faults);
    if (!applications.is_null()) {
        target["applications"] = applications;
    }
    return target;
}

class StageTest : public RunTablesTest {
  protected:
    void TearDown() override {
        VkCErrorListPool ignored;
        if (lock != nullptr) {
            VkCInventoryManager::getInstance()->unlock(ignored, lock);
        }
        if (root != nullptr) {
            VkCInventoryManager::getInstance()->deleteRootHandle(ignored, root);
        }
        lock = nullptr;
        root = nullptr;
        run_.reset();
        pool.reset();
        RunTablesTest::TearDown();
    }
    // Adds the boards (type, serial) at ROOT/IOROUTER[serial % 7 + 1] to the table and to a new
    // target (name), then opens, roots and locks it. The catalogue must be set before.
    void makeTarget(const std::vector<std::pair<const char*, uint32_t>>& boards,
                    const Json& faults = Json::array(), uint32_t polls = 3) {
        Json inventory = Json::array();
        for (const auto& [type, serial] : boards) {
            const std::string id = addBoard(type, serial).address.toString().str().substr(5);
            inventory.push_back(SimTargets::board(id, type, serial, 0));
        }
        static int made = 0;
        name = "stages" + std::to_string(++made);
        Json doc = SimTargets::target(name, "10.20.30.40", inventory, faults);
        doc["updatePolls"] = polls;
        targets.add(name, doc);
        device = targets.open(name);
        ASSERT_NE(device, nullptr) << targets.problem();
        VkCInventoryManager& manager = *VkCInventoryManager::getInstance();
        manager.createRootHandleByDeviceHandleList(pool, &device, 1, root);
        manager.lock(pool, root, table.front().address, 0x10003, lock);
        ASSERT_EQ(pool.getErrorCount(), 0u) << pool.getErrorText(0).c_str();
        moduleState().remoteFileHandles.resize(moduleState().fileCatalogue.size());
        options.firmwareFolder = utf8ToWide(targets.temp().file("firmware"));
    }
    // A catalogue entry whose file is a sound image of version in the firmware folder.
    UpdateFileRecord imageFile(const char* boardType, uint32_t fwType, const std::string& name,
                               const char* version = "2.0", uint32_t pass = 1) {
        UpdateFileRecord file = makeFile(boardType, fwType, utf8ToWide(name).c_str());
        file.Version = VkCVersion(version);
        file.UpdatePass = pass;
        std::string error;
        EXPECT_TRUE(vksim::writeVkimImage(targets.temp().write("firmware/" + name, ""), version,
                                          1000, error))
            << error;
        file.FileSize = 64 + 1000;
        return file;
    }
    UpdateRun& run() {
        if (!run_) {
            run_ = std::make_unique<UpdateRun>(pool, options, table);
            run_->root = root;
            run_->device = device;
            run_->lockHandle = lock;
            run_->transferred.assign(moduleState().fileCatalogue.size(), 0);
        }
        return *run_;
    }
    static std::string lastError(const VkCErrorListPool& errors) {
        const uint32_t n = errors.getEntryCount();
        return n == 0 ? "" : errors.getErrorText(n - 1).str();
    }

    SimTargets targets;
    std::string name;  // of the target
    VkTDeviceHandle device = nullptr;
    VkCErrorListPool pool;
    VkTCmdOptions options;
    VkCInventoryRootHandle* root = nullptr;
    VkTLockHandle lock = nullptr;

  private:
    std::unique_ptr<UpdateRun> run_;
};

// What body printed on standard output.
template <typename Body>
std::string printed(Body&& body) {
    return captureOutput([&] {
               body();
               return 0;
           })
        .out;
}

}  // namespace update_test
