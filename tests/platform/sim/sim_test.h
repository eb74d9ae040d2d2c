#pragma once
// What the simulated-target tests share: target "lab1" in a fresh targets folder, its inventory
// handles, and the last entry of an error pool.
#include <gtest/gtest.h>
#include <unistd.h>  // alarm, for the calls that would hang
#include <string>
#include "VkCInventoryManager.h"
#include "VkNInventoryIDs.h"
#include "sim/sim_errors.h"
#include "support/sim_targets.h"

using Json = SimTargets::Json;
namespace Ids = VkNInventoryIDs;

// A processing unit VK7101 S/N 4711 (FIRMWARE 3.2.1) holding an I/O node VK4320 S/N 815, with
// the applications 0x1a and 0x1b loaded.
inline Json labTarget(const std::string& name = "lab1", const std::string& ip = "192.168.0.10") {
    Json doc = SimTargets::target(name, ip, Json::parse(R"([{"id": "HCN", "items": [
      {"id": "PRODUCT", "params": {"BOARD_TYPE": "VK7101", "SERIAL_NUMBER": 4711,
       "SYSTEM_CLASS": "0x20001", "HW_TYPE": 3}}, {"id": "FIRMWARE", "params": {"VERSION": "3.2.1",
       "CHECKSUM_CRC32": 305419896, "VERSION_HISTORY": "2024-01-01 10:00:00 3.2.1"}},
      {"id": "SUB_BOARDS", "items": [{"id": "ION[2]", "items": [{"id": "PRODUCT", "params":
       {"BOARD_TYPE": "VK4320", "SERIAL_NUMBER": 815, "SYSTEM_CLASS": 262145}}]}]}]}])"));
    doc["applications"] = {26, 27};
    return doc;
}

// Target t1 (labTarget()) in a fresh targets folder; open() adds its device, root handle and
// lock, released at the end.
class SimTest : public ::testing::Test {
  protected:
    SimTest() : folder_(sim_.add("t1", labTarget())) {}
    ~SimTest() override {
        if (lock_ != nullptr) {
            manager_->unlock(pool_, lock_);
        }
        if (root_ != nullptr) {
            manager_->deleteRootHandle(pool_, root_);
        }
    }
    // Opens lab1 with a root handle and, with lockIt, the lock of its processing unit.
    void open(bool lockIt) {
        ASSERT_NE(device_ = sim_.open("lab1"), nullptr) << sim_.problem();
        ASSERT_EQ(manager_->createRootHandleByDeviceHandleList(pool_, &device_, 1, root_), 0);
        if (lockIt) {
            ASSERT_EQ(manager_->lock(pool_, root_, hcn(), 0x10003, lock_), 0) << lastText(pool_);
        }
    }
    // Writes t1 again as labTarget() with the faults given as JSON text.
    void setFaults(const std::string& faults) {
        Json doc = labTarget();
        doc["faults"] = Json::parse(faults);
        sim_.add("t1", doc);
    }
    std::string file() const { return folder_ + "/target.json"; }
    static VkCInventoryAddress hcn() { return Ids::ROOT / Ids::HCN; }
    // The text and the code of a pool's last entry ("" and 0 without entries).
    static std::string lastText(const VkCErrorListPool& pool) {
        return pool.getEntryCount() ? pool.getErrorText(pool.getEntryCount() - 1).c_str() : "";
    }
    static uint32_t lastCode(const VkCErrorListPool& pool) {
        return pool.getEntryCount() ? pool.getErrorCode(pool.getEntryCount() - 1) : 0;
    }
    // The call failed (a result not 0) with an entry of code last in the pool (pool_ without one).
    ::testing::AssertionResult refused(int64_t result, uint32_t code,
                                       const VkCErrorListPool* pool = nullptr) const {
        pool = pool ? pool : &pool_;
        return result != 0 && lastCode(*pool) == code
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure() << result << ", " << lastText(*pool);
    }

    SimTargets sim_;
    std::string folder_;
    VkCErrorListPool pool_;
    VkCInventoryManager* manager_ = VkCInventoryManager::getInstance();
    VkTDeviceHandle device_ = nullptr;
    VkCInventoryRootHandle* root_ = nullptr;
    VkTLockHandle lock_ = nullptr;
};
