#include <sys/stat.h>

#include "child_holder.h"
#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

using VkNInventoryManager::VkSRemoteFileHandle;

class TransferTest : public SimTest {
  protected:
    void SetUp() override {
        folder_ = addTarget("t1", standardTarget());
        ASSERT_TRUE(open_.open("lab1", true));
        local_ = temp_.path() + "/fw image.bin";
        writeFile(local_, std::string(300000, 'x') + "end");
    }
    int32_t transfer(VkSRemoteFileHandle& remote, const std::string& path,
                     VkTTransferProgressFunction progress = nullptr, void* context = nullptr) {
        const std::wstring widePath = wide(path);
        return manager_->transferFile(open_.pool, open_.root, hcnAddress(), open_.lock,
                                      widePath.c_str(), progress, context, remote);
    }
    int32_t remove(const VkSRemoteFileHandle& remote) {
        return manager_->deleteRemoteFile(open_.pool, open_.root, hcnAddress(), open_.lock, remote);
    }
    void setFaults(const char* faults) {
        Json target = standardTarget();
        target["faults"] = Json::parse(faults);
        addTarget("t1", target);
    }

    VkCInventoryManager* manager_ = VkCInventoryManager::getInstance();
    OpenTarget open_;
    std::string folder_;
    std::string local_;
};

TEST_F(TransferTest, CopiesIntoTheStagingFolderAndDeletes) {
    VkSRemoteFileHandle first;
    VkSRemoteFileHandle second;
    ASSERT_EQ(transfer(first, local_), 0) << lastErrorText(open_.pool);
    ASSERT_EQ(transfer(second, local_), 0);
    EXPECT_EQ(first.folder, "/var/staging");
    EXPECT_EQ(first.name, "1_fw image.bin");
    EXPECT_EQ(second.name, "2_fw image.bin") << "each transfer gets its own copy";
    const std::string staged = folder_ + "/staging/" + first.name.str();
    EXPECT_EQ(readFile(staged), readFile(local_));
    EXPECT_EQ(remove(first), 0);
    struct stat info {};
    EXPECT_NE(::stat(staged.c_str(), &info), 0);
    EXPECT_NE(remove(first), 0);
    EXPECT_EQ(lastErrorText(open_.pool),
              "The transferred file /var/staging/1_fw image.bin does not exist on the target.");
    EXPECT_EQ(remove(second), 0);
    EXPECT_EQ(open_.pool.getErrorCount(), 1u);
}

TEST_F(TransferTest, ReportsProgressUpToAllOfIt) {
    std::vector<uint32_t> seen;
    VkSRemoteFileHandle remote;
    ASSERT_EQ(transfer(
                  remote, local_,
                  [](void* context, uint32_t percent) {
                      static_cast<std::vector<uint32_t>*>(context)->push_back(percent);
                  },
                  &seen),
              0);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100u);
}

TEST_F(TransferTest, MissingLocalFileFails) {
    VkSRemoteFileHandle remote;
    EXPECT_NE(transfer(remote, temp_.path() + "/absent.bin"), 0);
    EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrHostFile);
    EXPECT_EQ(remote.name, "");
    // A device would fill the staging folder without end.
    EXPECT_EQ(runBounded([&] {
                  transfer(remote, "/dev/zero");
                  return lastErrorText(open_.pool);
              }),
              "The file /dev/zero is a character device, not a regular file.");
}

TEST_F(TransferTest, NeedsTheLockOfThisTarget) {
    VkSRemoteFileHandle remote;
    const std::wstring path = wide(local_);
    EXPECT_NE(manager_->transferFile(open_.pool, open_.root, hcnAddress(), nullptr, path.c_str(),
                                     nullptr, nullptr, remote),
              0);
    EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrNotLocked);
}

TEST_F(TransferTest, ForeignRemoteHandlesAreRefused) {
    for (const auto& [folder, name] : std::vector<std::pair<const char*, const char*>>{
             {"/var/staging", "../target.json"},
             {"/var/staging", ""},
             {"/mnt/cn/cfdrive", "x"},
         }) {
        VkSRemoteFileHandle remote{folder, name};
        EXPECT_NE(remove(remote), 0) << folder << "/" << name;
        EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrRemoteFile);
    }
    EXPECT_TRUE(readJson(folder_ + "/target.json").is_object());
}

TEST_F(TransferTest, TransferFaultMatchesTheFileName) {
    // 0x0140003B is the code that makes the updater stop after the transfer.
    setFaults(R"([{"call": "transferFile", "match": "fw image.bin", "errorCode": 20971579}])");
    VkSRemoteFileHandle remote;
    EXPECT_NE(transfer(remote, local_), 0);
    EXPECT_EQ(lastErrorCode(open_.pool), 0x0140003Bu);
    const std::string other = temp_.path() + "/other.bin";
    writeFile(other, "y");
    EXPECT_EQ(transfer(remote, other), 0);
}

TEST_F(TransferTest, DeleteRemoteFileFault) {
    VkSRemoteFileHandle remote;
    ASSERT_EQ(transfer(remote, local_), 0);
    setFaults(R"([{"call": "deleteRemoteFile", "match": "fw image.bin", "times": 1}])");
    EXPECT_NE(remove(remote), 0);
    EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrSimulatedFault);
    EXPECT_EQ(remove(remote), 0);
}

}  // namespace
}  // namespace simtest
