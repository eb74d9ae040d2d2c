// The inventory manager's root handles, scan and lock. The lock is an operating-system lock
// on the target's inventory.lock: exclusive across processes, and dropped by the system when
// its holder dies.
#include "VkCInventoryManager.h"
#include "sim/call_support.h"
#include "sim/inventory_calls.h"
#include "sim/sim_errors.h"
#include "sim/sim_text.h"
#include "sim/target_store.h"
#include "sim/transfer.h"

using namespace vksim;

namespace {

constexpr int32_t kFailed = -1;
constexpr uint32_t kExclusiveLockMode = 0x10003;

}  // namespace

VkCInventoryManager* VkCInventoryManager::getInstance() {
    static VkCInventoryManager manager;
    return &manager;
}

int32_t VkCInventoryManager::createRootHandleByDeviceHandleList(VkCErrorListPool& pool,
                                                                VkTDeviceHandle* devices,
                                                                uint32_t count,
                                                                VkCInventoryRootHandle*& root) {
    const char* function = "createRootHandleByDeviceHandleList";
    root = nullptr;
    if (devices == nullptr || count != 1) {
        enterError(pool, kErrInvalidArgument, function,
                   std::string(function) + ": the simulation serves one device per root handle.");
        return kFailed;
    }
    Device* device = deviceFor(pool, function, devices[0]);
    SharedTarget target;
    if (device == nullptr ||
        !passTargetAndFaults(pool, function, device->folder, "createRootHandle", {}, target)) {
        return kFailed;
    }
    auto created = std::make_unique<VkCInventoryRootHandle>();
    created->folder = device->folder;
    root = static_cast<VkCInventoryRootHandle*>(addHandle(std::move(created)));
    return 0;
}

int32_t VkCInventoryManager::deleteRootHandle(VkCErrorListPool& pool,
                                              VkCInventoryRootHandle* root) {
    const char* function = "deleteRootHandle";
    std::unique_ptr<VkCInventoryRootHandle> removed = removeHandle<VkCInventoryRootHandle>(root);
    if (!removed) {
        enterError(pool, kErrInvalidHandle, function,
                   std::string(function) + ": the inventory root handle is not valid.");
        return kFailed;
    }
    return releaseFault(pool, function, removed->folder, "deleteRootHandle") == 0 ? 0 : kFailed;
}

int32_t VkCInventoryManager::scan(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                                  VkCInventoryItem*& tree) {
    const char* function = "scan";
    tree = nullptr;
    VkCInventoryRootHandle* handle = rootFor(pool, function, root);
    SharedTarget target;
    if (handle == nullptr ||
        !passTargetAndFaults(pool, function, handle->folder, "scan", {}, target)) {
        return kFailed;
    }
    // The caller owns and deletes the tree: it gets a copy of the shared one.
    tree = target->inventory->copyTree().release();
    return tree != nullptr ? 0 : kFailed;
}

int32_t VkCInventoryManager::deleteInventoryTree(VkCInventoryItem* tree) {
    // Only whole trees: deleting a node that still hangs in a tree would corrupt that tree.
    if (tree != nullptr && tree->getParent() != nullptr) {
        return kFailed;
    }
    std::unique_ptr<VkCInventoryItem> released(tree);
    return 0;
}

int32_t VkCInventoryManager::lock(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                                  const VkCInventoryAddress& system, uint32_t mode,
                                  VkTLockHandle& lockHandle) {
    const char* function = "lock";
    lockHandle = nullptr;
    VkCInventoryRootHandle* handle = rootFor(pool, function, root);
    if (handle == nullptr) {
        return kFailed;
    }
    if (mode != kExclusiveLockMode) {
        enterError(pool, kErrInvalidArgument, function,
                   "lock: the simulated target knows only the lock mode 0x10003, not " +
                       hexText(mode) + ".");
        return kFailed;
    }
    TargetNode found;
    if (!findTargetNode(pool, function, handle->folder, system, found)) {
        return kFailed;
    }
    if (const std::optional<Fault> fault = takeFault(found.target(), "lock", {})) {
        enterFaultError(pool, function, found.target(), *fault);
        return kFailed;
    }
    auto created = std::make_unique<InventoryLock>();
    created->folder = handle->folder;
    bool busy = false;
    std::string error;
    if (!created->lock.acquire(inventoryLockOf(handle->folder), FileLock::Mode::Exclusive, false,
                               busy, error)) {
        enterError(pool, busy ? kErrTargetLocked : kErrHostFile, function,
                   busy ? "Target \"" + found.target().systemName +
                              "\" is locked by another update and cannot be locked."
                        : error);
        return kFailed;
    }
    removeStagedCopies(handle->folder);
    lockHandle = addHandle(std::move(created));
    return 0;
}

int32_t VkCInventoryManager::unlock(VkCErrorListPool& pool, VkTLockHandle lockHandle) {
    const char* function = "unlock";
    std::unique_ptr<InventoryLock> removed = removeHandle<InventoryLock>(lockHandle);
    if (!removed) {
        enterError(pool, kErrNotLocked, function, "unlock: the lock handle is not valid.");
        return kFailed;
    }
    return releaseFault(pool, function, removed->folder, "unlock") == 0 ? 0 : kFailed;
}
