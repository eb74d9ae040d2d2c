// The inventory manager of the simulated target: scans, root handles, the lock, file transfers
// into the staging folder, and the faults of these calls.
#include "sim_test.h"

using VkNInventoryManager::VkSRemoteFileHandle;

class InventoryManagerTest : public SimTest {
  protected:
    void SetUp() override { open(false); }
    int32_t lock(uint32_t mode = 0x10003, const VkCInventoryAddress& at = hcn()) {
        return manager_->lock(pool_, root_, at, mode, lock_);
    }
    int32_t transfer(VkSRemoteFileHandle& remote, const std::string& path,
                     VkTTransferProgressFunction progress = nullptr, void* context = nullptr) {
        return manager_->transferFile(pool_, root_, hcn(), lock_, wide(path).c_str(), progress,
                                      context, remote);
    }
    int32_t remove(const VkSRemoteFileHandle& remote) {
        return manager_->deleteRemoteFile(pool_, root_, hcn(), lock_, remote);
    }
};

TEST_F(InventoryManagerTest, ScanGivesAFreshTreeAndRootHandlesAreChecked) {
    VkCInventoryItem* tree = nullptr;
    VkCInventoryItem* second = nullptr;
    ASSERT_EQ(manager_->scan(pool_, root_, tree), 0);
    ASSERT_EQ(manager_->scan(pool_, root_, second), 0);
    EXPECT_NE(second, tree) << "every scan builds its own tree";
    EXPECT_EQ(tree->getItem(Ids::HCN / Ids::SUB_BOARDS / Ids::ION[2])->getAddress().toString(),
              "ROOT/HCN/SUB_BOARDS/ION[2]");
    EXPECT_NE(manager_->deleteInventoryTree(tree->getFirstSubItem()), 0) << "a node inside a tree";
    EXPECT_EQ(manager_->deleteInventoryTree(tree), 0);
    EXPECT_EQ(manager_->deleteInventoryTree(second), 0);
    EXPECT_EQ(manager_->deleteInventoryTree(nullptr), 0);
    VkCInventoryRootHandle* root = nullptr;
    VkTDeviceHandle devices[2] = {device_, device_};
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, devices, 2, root), 0);
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, nullptr, 1, root), 0);
    VkTDeviceHandle bogus = &root;
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, &bogus, 1, root), 0);
    EXPECT_EQ(root, nullptr);
    EXPECT_NE(manager_->scan(pool_, reinterpret_cast<VkCInventoryRootHandle*>(&tree), tree), 0);
    EXPECT_NE(manager_->deleteRootHandle(pool_, nullptr), 0);
    EXPECT_EQ(pool_.getErrorCount(), 5u);
    setFaults(R"([{"call": "scan", "errorCode": "0x01400020"}, {"call": "deleteRootHandle"},
                  {"call": "createRootHandle", "times": 1}])");
    EXPECT_TRUE(refused(manager_->scan(pool_, root_, tree), 0x01400020u));
    EXPECT_EQ(tree, nullptr);
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, &device_, 1, root), 0);
    ASSERT_EQ(manager_->createRootHandleByDeviceHandleList(pool_, &device_, 1, root), 0);
    EXPECT_TRUE(refused(manager_->deleteRootHandle(pool_, root), vksim::kErrSimulatedFault));
    EXPECT_TRUE(refused(manager_->deleteRootHandle(pool_, root), vksim::kErrInvalidHandle))
        << "released all the same";
}

TEST_F(InventoryManagerTest, LockIsExclusiveAndChecksModeAddressAndFaults) {
    ASSERT_EQ(lock(), 0);
    VkTLockHandle first = lock_;
    EXPECT_TRUE(refused(lock(), vksim::kErrTargetLocked));
    EXPECT_EQ(lock_, nullptr);
    EXPECT_EQ(manager_->unlock(pool_, first), 0);
    EXPECT_TRUE(refused(manager_->unlock(pool_, first), vksim::kErrNotLocked));
    EXPECT_TRUE(refused(lock(0x10001), vksim::kErrInvalidArgument));
    EXPECT_TRUE(refused(lock(0x10003, Ids::ROOT / Ids::CN), vksim::kErrNoSuchNode));
    ASSERT_EQ(lock(0x10003, Ids::ROOT), 0) << "the root node names the whole system";
    EXPECT_EQ(manager_->unlock(pool_, lock_), 0);
    setFaults(R"([{"call": "lock", "times": 1}, {"call": "unlock", "times": 1}])");
    EXPECT_TRUE(refused(lock(), vksim::kErrSimulatedFault));
    ASSERT_EQ(lock(), 0);
    EXPECT_NE(manager_->unlock(pool_, lock_), 0);
    ASSERT_EQ(lock(), 0) << "the failed unlock released the lock all the same";
}

TEST_F(InventoryManagerTest, TransferCopiesIntoTheStagingFolderAndDeletes) {
    const std::string local = sim_.temp().write("fw image.bin", patternBytes(300000));
    VkSRemoteFileHandle first;
    VkSRemoteFileHandle second;
    EXPECT_TRUE(refused(transfer(first, local), vksim::kErrNotLocked));
    ASSERT_EQ(lock(), 0);
    std::vector<uint32_t> percents;
    const auto progress = [](void* seen, uint32_t percent) {
        static_cast<std::vector<uint32_t>*>(seen)->push_back(percent);
    };
    ASSERT_EQ(transfer(first, local, progress, &percents), 0) << lastText(pool_);
    ASSERT_EQ(transfer(second, local), 0);
    EXPECT_EQ(percents.back(), 100u);
    EXPECT_EQ(first.folder, "/var/staging");
    EXPECT_EQ(first.name, "1_fw image.bin");
    EXPECT_EQ(second.name, "2_fw image.bin") << "each transfer gets its own copy";
    EXPECT_EQ(sim_.temp().read("targets/t1/staging/1_fw image.bin"), patternBytes(300000));
    EXPECT_EQ(remove(first), 0);
    EXPECT_EQ(sim_.temp().read("targets/t1/staging/1_fw image.bin"), "");
    for (const char* name : {"1_fw image.bin", "../target.json", ""}) {
        EXPECT_TRUE(refused(remove({"/var/staging", name}), vksim::kErrRemoteFile)) << name;
    }
    EXPECT_TRUE(refused(remove({"/mnt/cn/cfdrive", "x"}), vksim::kErrRemoteFile));
    EXPECT_TRUE(refused(transfer(first, sim_.temp().file("absent")), vksim::kErrHostFile));
    // A device would fill the staging folder without end.
    EXPECT_EXIT((::alarm(10), transfer(first, "/dev/zero"), std::cerr << lastText(pool_), exit(0)),
                ::testing::ExitedWithCode(0), "The file /dev/zero is a character device, not a");
}
