#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkCInventoryAddress.h"
#include "VkCInventoryItem.h"
#include "VkLnk.h"
#include "VkNInventoryManager.h"
#include "VkPlatformApi.h"

// Opaque root of a target's inventory.
class VkCInventoryRootHandle;
using VkTLockHandle = void*;
using VkTTransferProgressFunction = void (*)(void* context, uint32_t percent);

// The process-wide inventory manager: scans targets and carries out transfers and updates.
// Every operation reports its failures as entries in the pool it is given.
class VK_PLATFORM_API VkCInventoryManager {
  public:
    static VkCInventoryManager* getInstance();

    int32_t createRootHandleByDeviceHandleList(VkCErrorListPool& pool, VkTDeviceHandle* devices,
                                               uint32_t count, VkCInventoryRootHandle*& root);
    int32_t deleteRootHandle(VkCErrorListPool& pool, VkCInventoryRootHandle* root);
    // A fresh inventory tree of the target; null on failure. Release it with
    // deleteInventoryTree.
    int32_t scan(VkCErrorListPool& pool, VkCInventoryRootHandle* root, VkCInventoryItem*& tree);
    int32_t deleteInventoryTree(VkCInventoryItem* tree);

    int32_t lock(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                 const VkCInventoryAddress& system, uint32_t mode, VkTLockHandle& lock);
    int32_t unlock(VkCErrorListPool& pool, VkTLockHandle lock);

    int32_t transferFile(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                         const VkCInventoryAddress& system, VkTLockHandle lock,
                         const wchar_t* localPath, VkTTransferProgressFunction progress,
                         void* context, VkNInventoryManager::VkSRemoteFileHandle& remote);
    int32_t update(VkCErrorListPool& boardPool, VkCInventoryRootHandle* root,
                   const VkCInventoryAddress& board, VkTLockHandle lock,
                   VkNInventoryManager::VkSRemoteFileHandle remote,
                   VkNInventoryManager::FirmwareType type, uint64_t timestamp);
    int32_t updateStatus(VkCErrorListPool& boardPool, VkCInventoryRootHandle* root,
                         const VkCInventoryAddress& board,
                         VkNInventoryManager::EUpdateStatus& status,
                         VkNInventoryManager::FirmwareType& type, uint32_t& done, uint32_t& total);
    int32_t updateErrors(VkCErrorListPool& boardPool, VkCInventoryRootHandle* root,
                         const VkCInventoryAddress& board, VkTLockHandle lock);
    int32_t updateFinish(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                         const VkCInventoryAddress& board, VkTLockHandle lock);
    int32_t deleteRemoteFile(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                             const VkCInventoryAddress& system, VkTLockHandle lock,
                             VkNInventoryManager::VkSRemoteFileHandle remote);

    // "Firmware", "FPGA firmware", ...; "Unknown" for numbers without a name.
    static VkCString getFirmwareTypeString(VkNInventoryManager::FirmwareType type);

  private:
    VkCInventoryManager() = default;
};
