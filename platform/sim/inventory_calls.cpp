#include "sim/inventory_calls.h"

#include "VkNInventoryIDs.h"
#include "sim/call_support.h"
#include "sim/sim_errors.h"

namespace vksim {

const char* const kStagingRemoteFolder = "/var/staging";

namespace Ids = VkNInventoryIDs;

VkCInventoryRootHandle* rootFor(VkCErrorListPool& pool, const char* function, const void* root) {
    return handleFor<VkCInventoryRootHandle>(pool, function, root, "inventory root handle");
}

InventoryLock* lockFor(VkCErrorListPool& pool, const char* function, const void* lock,
                       const std::string& folder) {
    InventoryLock* found = findHandle<InventoryLock>(lock);
    if (found == nullptr || found->folder != folder) {
        enterError(pool, kErrNotLocked, function,
                   std::string(function) + ": the target is not locked with this lock handle.");
        return nullptr;
    }
    return found;
}

const VkCInventoryItem* nodeAt(const VkCInventoryItem& root, const VkCInventoryAddress& address) {
    const auto& elements = address.elements();
    if (elements.empty() || !(elements.front() == root.getID().elements().front())) {
        return nullptr;
    }
    if (elements.size() == 1) {
        return &root;
    }
    VkCInventoryAddress below;
    for (size_t i = 1; i < elements.size(); ++i) {
        below = below / VkCInventoryAddress(elements[i].category, elements[i].index);
    }
    return root.getItem(below);
}

bool findTargetNode(VkCErrorListPool& pool, const char* function, const std::string& folder,
                    const VkCInventoryAddress& address, TargetNode& found) {
    if (!loadTargetFor(pool, function, folder, found.checked)) {
        return false;
    }
    found.node = nodeAt(*found.checked->inventory, address);
    if (found.node == nullptr) {
        enterError(pool, kErrNoSuchNode, function,
                   "Target \"" + found.checked->systemName + "\" has no inventory node " +
                       address.toString().str() + ".");
        return false;
    }
    const VkCInventoryAddress serialPath = Ids::PRODUCT / Ids::SERIAL_NUMBER;
    const VkCInventoryParameter* serial = found.node->getParameter(serialPath);
    if (serial != nullptr && std::holds_alternative<uint32_t>(serial->getValue())) {
        found.serial = std::get<uint32_t>(serial->getValue());
    }
    const VkCInventoryParameter* type = found.node->getParameter(Ids::PRODUCT / Ids::BOARD_TYPE);
    std::string boardType = "board";
    if (type != nullptr && std::holds_alternative<VkCString>(type->getValue())) {
        boardType = std::get<VkCString>(type->getValue()).str();
    }
    found.label =
        boardType + " S/N " + std::to_string(found.serial) + " (" + address.toString().str() + ")";
    return true;
}

}  // namespace vksim
