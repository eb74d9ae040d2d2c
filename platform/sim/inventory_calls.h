#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "VkCInventoryManager.h"
#include "sim/handles.h"
#include "sim/target_cache.h"

// Steps shared by the inventory manager's calls: checking root and lock handles, and finding
// boards in the target's inventory.
namespace vksim {

// Remote folder that names the staging area in remote file handles.
extern const char* const kStagingRemoteFolder;

VkCInventoryRootHandle* rootFor(VkCErrorListPool& pool, const char* function, const void* root);
// The inventory lock of a handle, when it is a live lock on the same target as root.
InventoryLock* lockFor(VkCErrorListPool& pool, const char* function, const void* lock,
                       const std::string& folder);

// The node at a full address (ROOT/...) of the tree, null when it has none.
const VkCInventoryItem* nodeAt(const VkCInventoryItem& root, const VkCInventoryAddress& address);

// A target and the node at address in its inventory. On failure the error is in pool.
struct TargetNode {
    SharedTarget checked;                    // the target, which holds the node's tree
    const VkCInventoryItem* node = nullptr;  // in checked's inventory
    uint32_t serial = 0;                     // PRODUCT/SERIAL_NUMBER of the node, 0 without one
    std::string label;                       // "VK7101 S/N 4711 (ROOT/HCN)"

    const Target& target() const { return *checked; }
};
bool findTargetNode(VkCErrorListPool& pool, const char* function, const std::string& folder,
                    const VkCInventoryAddress& address, TargetNode& found);

}  // namespace vksim
