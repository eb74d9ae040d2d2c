#include "update_test_support.h"

#include "sim/Images.h"

namespace simtest {

void UpdateTest::SetUp() {
    setTarget(standardTarget());
    ASSERT_TRUE(open_.open("lab1", true)) << lastErrorText(open_.pool);
}

void UpdateTest::setFaults(const char* faults) {
    Json target = standardTarget();
    target["faults"] = Json::parse(faults);
    setTarget(target);
}

std::string UpdateTest::makeImage(const std::string& name, const std::string& version, bool elf) {
    const std::string path = temp_.path() + "/" + name;
    std::string error;
    const bool made = elf ? vksim::writeElfImage(path, version, std::nullopt, 2048, error)
                          : vksim::writeVkimImage(path, version, 2048, error);
    EXPECT_TRUE(made) << error;
    return path;
}

VkNInventoryManager::VkSRemoteFileHandle UpdateTest::transfer(const std::string& path) {
    VkNInventoryManager::VkSRemoteFileHandle remote;
    const std::wstring widePath = wide(path);
    EXPECT_EQ(manager_->transferFile(open_.pool, open_.root, hcnAddress(), open_.lock,
                                     widePath.c_str(), nullptr, nullptr, remote),
              0)
        << lastErrorText(open_.pool);
    return remote;
}

int32_t UpdateTest::start(const VkNInventoryManager::VkSRemoteFileHandle& remote, uint32_t type,
                          const VkCInventoryAddress& board) {
    return manager_->update(boardPool_, open_.root, board, open_.lock, remote,
                            static_cast<VkNInventoryManager::FirmwareType>(type), kTimestamp);
}

StatusAnswer UpdateTest::status(const VkCInventoryAddress& board) {
    StatusAnswer answer;
    const uint32_t before = boardPool_.getErrorCount();
    VkNInventoryManager::EUpdateStatus status = VkNInventoryManager::UpdateFailed;
    VkNInventoryManager::FirmwareType type = VkNInventoryManager::FwUnknown;
    answer.result = manager_->updateStatus(boardPool_, open_.root, board, status, type, answer.done,
                                           answer.total);
    answer.status = status;
    answer.errorsAdded = boardPool_.getErrorCount() - before;
    return answer;
}

std::vector<StatusAnswer> UpdateTest::pollToEnd(const VkCInventoryAddress& board, size_t limit) {
    std::vector<StatusAnswer> answers;
    do {
        answers.push_back(status(board));
    } while (answers.back().errorsAdded == 0 && answers.back().status == 1 &&
             answers.size() < limit);
    return answers;
}

Json UpdateTest::savedItem(const std::vector<std::string>& path) {
    Json item = readJson(folder_ + "/target.json")["inventory"][0];
    for (const std::string& id : path) {
        Json next;
        for (const Json& child : item.value("items", Json::array())) {
            if (child["id"] == id) {
                next = child;
            }
        }
        item = next;
    }
    return item;
}

}  // namespace simtest
