#pragma once
#include <string>
#include <vector>

#include "sim_fixture.h"

// A locked standard target and the steps of an update through the inventory manager's calls.
namespace simtest {

struct StatusAnswer {
    int32_t result = 0;
    uint32_t status = 0;
    uint32_t done = 0;
    uint32_t total = 0;
    uint32_t errorsAdded = 0;
};

class UpdateTest : public SimTest {
  protected:
    void SetUp() override;
    void setTarget(const Json& target) { folder_ = addTarget("t1", target); }
    void setFaults(const char* faults);

    // A VKIM image (or, with elf, an ELF image) in the temporary folder.
    std::string makeImage(const std::string& name, const std::string& version, bool elf = false);
    VkNInventoryManager::VkSRemoteFileHandle transfer(const std::string& path);
    int32_t start(const VkNInventoryManager::VkSRemoteFileHandle& remote, uint32_t type,
                  const VkCInventoryAddress& board = hcnAddress());
    StatusAnswer status(const VkCInventoryAddress& board = hcnAddress());
    // Polls until an answer is not "running" (at most limit answers); all answers in order.
    std::vector<StatusAnswer> pollToEnd(const VkCInventoryAddress& board = hcnAddress(),
                                        size_t limit = 50);
    // The inventory item at a path of item IDs below the board in the saved target.json.
    Json savedItem(const std::vector<std::string>& path);

    VkCInventoryManager* manager_ = VkCInventoryManager::getInstance();
    OpenTarget open_;
    VkCErrorListPool boardPool_;
    std::string folder_;
    static constexpr uint64_t kTimestamp = 1714557600;  // 2024-05-01 10:00:00
};

}  // namespace simtest
