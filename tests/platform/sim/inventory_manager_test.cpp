#include "VkNInventoryIDs.h"
#include "child_holder.h"
#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

namespace Ids = VkNInventoryIDs;

class InventoryManagerTest : public SimTest {
  protected:
    void SetUp() override {
        addTarget("t1", standardTarget());
        ASSERT_TRUE(open_.open("lab1", false));
    }
    void setFaults(const char* faults) {
        Json target = standardTarget();
        target["faults"] = Json::parse(faults);
        addTarget("t1", target);
    }
    int32_t lock(VkTLockHandle& handle, uint32_t mode = 0x10003,
                 const VkCInventoryAddress& at = hcnAddress()) {
        return manager_->lock(open_.pool, open_.root, at, mode, handle);
    }

    VkCInventoryManager* manager_ = VkCInventoryManager::getInstance();
    OpenTarget open_;
};

TEST_F(InventoryManagerTest, ScanGivesAFreshTreeOfTheInventory) {
    VkCInventoryItem* tree = nullptr;
    ASSERT_EQ(manager_->scan(open_.pool, open_.root, tree), 0);
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->getID() == Ids::ROOT);
    const VkCInventoryItem* hcn = tree->getItem(Ids::HCN);
    ASSERT_NE(hcn, nullptr);
    EXPECT_EQ(hcn->getAddress(), hcnAddress());
    VkCString boardType;
    uint32_t serial = 0;
    uint32_t systemClass = 0;
    VkCVersion version;
    hcn->getValue(open_.pool, Ids::PRODUCT / Ids::BOARD_TYPE, boardType);
    hcn->getValue(open_.pool, Ids::PRODUCT / Ids::SERIAL_NUMBER, serial);
    hcn->getValue(open_.pool, Ids::PRODUCT / Ids::SYSTEM_CLASS, systemClass);
    hcn->getValue(open_.pool, Ids::FIRMWARE / Ids::VERSION, version);
    EXPECT_EQ(boardType, "VK7101");
    EXPECT_EQ(serial, 4711u);
    EXPECT_EQ(systemClass, 0x20001u);
    EXPECT_EQ(version.getAsString(), "3.2.1");
    EXPECT_NE(tree->getItem(Ids::HCN / Ids::SUB_BOARDS / Ids::ION[2]), nullptr);
    EXPECT_EQ(open_.pool.getErrorCount(), 0u);

    VkCInventoryItem* second = nullptr;
    ASSERT_EQ(manager_->scan(open_.pool, open_.root, second), 0);
    EXPECT_NE(second, tree) << "every scan builds its own tree";
    EXPECT_EQ(manager_->deleteInventoryTree(tree), 0);
    EXPECT_EQ(manager_->deleteInventoryTree(second), 0);
    EXPECT_EQ(manager_->deleteInventoryTree(nullptr), 0);
}

TEST_F(InventoryManagerTest, DeleteInventoryTreeRefusesANodeInsideATree) {
    VkCInventoryItem* tree = nullptr;
    ASSERT_EQ(manager_->scan(open_.pool, open_.root, tree), 0);
    EXPECT_NE(manager_->deleteInventoryTree(tree->getFirstSubItem()), 0);
    EXPECT_NE(tree->getFirstSubItem(), nullptr);
    EXPECT_EQ(manager_->deleteInventoryTree(tree), 0);
}

TEST_F(InventoryManagerTest, ScanFault) {
    setFaults(R"([{"call": "scan", "errorCode": "0x01400020"}])");
    VkCInventoryItem* tree = nullptr;
    EXPECT_NE(manager_->scan(open_.pool, open_.root, tree), 0);
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(lastErrorCode(open_.pool), 0x01400020u);
}

TEST_F(InventoryManagerTest, RootHandlesAreChecked) {
    VkCInventoryRootHandle* root = nullptr;
    VkTDeviceHandle devices[2] = {open_.device, open_.device};
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(open_.pool, devices, 2, root), 0);
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(open_.pool, nullptr, 1, root), 0);
    VkTDeviceHandle bogus = &root;
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(open_.pool, &bogus, 1, root), 0);
    EXPECT_EQ(root, nullptr);
    VkCInventoryItem* tree = nullptr;
    EXPECT_NE(manager_->scan(open_.pool, reinterpret_cast<VkCInventoryRootHandle*>(&tree), tree),
              0);
    EXPECT_NE(manager_->deleteRootHandle(open_.pool, nullptr), 0);
    EXPECT_EQ(open_.pool.getErrorCount(), 5u);
}

TEST_F(InventoryManagerTest, RootHandleFaults) {
    setFaults(R"([{"call": "createRootHandle", "times": 1}, {"call": "deleteRootHandle"}])");
    VkCInventoryRootHandle* root = nullptr;
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(open_.pool, &open_.device, 1, root), 0);
    EXPECT_EQ(root, nullptr);
    ASSERT_EQ(manager_->createRootHandleByDeviceHandleList(open_.pool, &open_.device, 1, root), 0);
    EXPECT_NE(manager_->deleteRootHandle(open_.pool, root), 0);
    EXPECT_NE(manager_->deleteRootHandle(open_.pool, root), 0) << "released all the same";
    EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrInvalidHandle);
}

TEST_F(InventoryManagerTest, LockIsExclusiveWithinTheProcess) {
    VkTLockHandle first = nullptr;
    VkTLockHandle second = nullptr;
    ASSERT_EQ(lock(first), 0);
    EXPECT_NE(lock(second), 0);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(lastErrorText(open_.pool),
              "Target \"lab1\" is locked by another update and cannot be locked.");
    EXPECT_EQ(manager_->unlock(open_.pool, first), 0);
    ASSERT_EQ(lock(second), 0);
    EXPECT_EQ(manager_->unlock(open_.pool, second), 0);
    EXPECT_NE(manager_->unlock(open_.pool, second), 0);
    EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrNotLocked);
}

TEST_F(InventoryManagerTest, LockHeldByAnotherProcessIsFreedWhenItIsKilled) {
    ChildHolder child(targets(), "lab1", "lock");
    ASSERT_EQ(child.answer(), "held");
    VkTLockHandle handle = nullptr;
    EXPECT_NE(lock(handle), 0);
    EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrTargetLocked);
    ASSERT_TRUE(child.kill());
    ASSERT_EQ(lock(handle), 0) << lastErrorText(open_.pool);
    ChildHolder late(targets(), "lab1", "lock");
    EXPECT_EQ(late.answer(), "refused");
    EXPECT_EQ(manager_->unlock(open_.pool, handle), 0);
}

TEST_F(InventoryManagerTest, LockReleasedByItsHolderCanBeTaken) {
    ChildHolder child(targets(), "lab1", "lock");
    ASSERT_EQ(child.answer(), "held");
    EXPECT_EQ(child.release(), 0);
    VkTLockHandle handle = nullptr;
    ASSERT_EQ(lock(handle), 0);
    EXPECT_EQ(manager_->unlock(open_.pool, handle), 0);
}

TEST_F(InventoryManagerTest, LockChecksModeAddressAndFaults) {
    VkTLockHandle handle = nullptr;
    EXPECT_NE(lock(handle, 0x10001), 0);
    EXPECT_EQ(lastErrorText(open_.pool),
              "lock: the simulated target knows only the lock mode 0x10003, not 0x10001.");
    EXPECT_NE(lock(handle, 0x10003, Ids::ROOT / Ids::CN), 0);
    EXPECT_EQ(lastErrorText(open_.pool), "Target \"lab1\" has no inventory node ROOT/CN.");
    EXPECT_EQ(lock(handle, 0x10003, Ids::ROOT), 0) << "the root node names the whole system";
    EXPECT_EQ(manager_->unlock(open_.pool, handle), 0);
    setFaults(R"([{"call": "lock", "times": 1}, {"call": "unlock", "times": 1}])");
    EXPECT_NE(lock(handle), 0);
    EXPECT_EQ(lastErrorCode(open_.pool), vksim::kErrSimulatedFault);
    ASSERT_EQ(lock(handle), 0);
    EXPECT_NE(manager_->unlock(open_.pool, handle), 0);
    ASSERT_EQ(lock(handle), 0) << "the failed unlock released the lock all the same";
    EXPECT_EQ(manager_->unlock(open_.pool, handle), 0);
}

}  // namespace
}  // namespace simtest
