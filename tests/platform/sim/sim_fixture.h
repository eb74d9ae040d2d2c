#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "VkApplMan.h"
#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "sim/JsonFile.h"

// Shared ground of the simulated-target tests: a targets folder made in a temporary folder,
// targets written into it, and short ways through the calls.
namespace simtest {

using vksim::Json;

// A folder made with mkdtemp and removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A target with one VK7101 processing unit (S/N 4711, FIRMWARE 3.2.1) holding an I/O node
// (S/N 815), two loaded applications and 3 update polls.
Json standardTarget(const std::string& systemName = "lab1",
                    const std::string& ipAddress = "192.168.0.10");

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
Json readJson(const std::string& path);

// The wide form of a narrow (ASCII) path.
std::wstring wide(const std::string& text);

// The text of the last entry of a pool ("" without entries), and its code.
std::string lastErrorText(const VkCErrorListPool& pool);
uint32_t lastErrorCode(const VkCErrorListPool& pool);

// A targets folder named by VK_SIM_TARGETS for the test's lifetime.
class SimTest : public ::testing::Test {
  protected:
    SimTest();
    ~SimTest() override;

    // Writes <targets>/<folder>/target.json (and cfdrive/); returns the target's folder.
    std::string addTarget(const std::string& folder, const Json& target);
    std::string addTargetText(const std::string& folder, const std::string& text);
    Json targetJson(const std::string& folder) const;

    // Device search by system name; null when not exactly one device answers.
    VkTDeviceHandle openDevice(const std::string& systemName = "lab1");
    // Device search with the filter given, returning the result and the devices found.
    int32_t searchDevices(uint32_t parameter, const void* value, uint32_t size,
                          std::vector<VkSDeviceInformation>& found);

    std::string targets() const { return temp_.path() + "/targets"; }

    VkCErrorListPool pool_;
    TempFolder temp_;
};

// Target "t1" (standardTarget()) with a device handle and the access restriction that the
// application calls need, released at the end.
class ApplicationsTest : public SimTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The loaded applications into ids (empty when the call fails), asking for at most
    // capacity of them; the call's result. lastCount_ keeps the count the call gave.
    int32_t list(std::vector<uint32_t>& ids, int32_t capacity = 255);

    std::string folder_;  // the target's folder
    VkTDeviceHandle device_ = nullptr;
    VkTAccessRestrictionHandle restriction_ = nullptr;
    int32_t lastCount_ = 0;
};

// The inventory handles of one device, released at the end.
struct OpenTarget {
    VkTDeviceHandle device = nullptr;
    VkCInventoryRootHandle* root = nullptr;
    VkTLockHandle lock = nullptr;
    VkCErrorListPool pool;

    // Opens the device, the root handle and (with lockIt) the lock.
    bool open(const std::string& systemName, bool lockIt);
    ~OpenTarget();
};

// The processing unit and the I/O node of standardTarget().
VkCInventoryAddress hcnAddress();
VkCInventoryAddress ionAddress();

}  // namespace simtest
