#pragma once
// Inventory trees built by hand for the scan tests. A path names the items along the way and a
// final parameter ("PRODUCT / BOARD_TYPE"); missing items are made.
#include <memory>

#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "VkCString.h"
#include "VkCVersion.h"
#include "VkNInventoryIDs.h"

class InventoryBuilder {
  public:
    VkCInventoryItem* root() { return root_.get(); }
    VkCErrorListPool& pool() { return pool_; }

    // A new sub item of parent (its name is the category name, or name if given).
    VkCInventoryItem* add(VkCInventoryItem* parent, const VkCInventoryAddress& id,
                          const char* name = nullptr) {
        VkCInventoryItem* item = new VkCInventoryItem(pool_, id, name ? name : nameOf(id));
        parent->addItem(VkCInventoryAddress(), item);  // the parent owns its sub items
        return item;
    }
    template <typename T>
    void set(VkCInventoryItem* item, const VkCInventoryAddress& path, T value) {
        const auto& steps = path.elements();
        for (size_t i = 0; i + 1 < steps.size(); ++i) {
            const VkCInventoryAddress step(steps[i].category, steps[i].index);
            VkCInventoryItem* next = item->getItem(step);
            item = next ? next : add(item, step);
        }
        const VkCInventoryAddress last(steps.back().category, steps.back().index);
        item->addParameter(
            pool_, VkCInventoryAddress(),
            new VkCInventoryParameter(pool_, last, nameOf(last), value, nullptr, false, 0));
    }
    void setText(VkCInventoryItem* item, const VkCInventoryAddress& path, const char* text) {
        set<const VkCString&>(item, path, VkCString(text));
    }
    void setVersion(VkCInventoryItem* item, const VkCInventoryAddress& path, const char* text) {
        set<const VkCVersion&>(item, path, VkCVersion(text));
    }
    // A board item: board type (unless null), serial number and class (unless 0).
    VkCInventoryItem* board(VkCInventoryItem* parent, const VkCInventoryAddress& id,
                            const char* boardType, uint32_t serial, uint32_t systemClass = 0) {
        namespace ids = VkNInventoryIDs;
        VkCInventoryItem* item = add(parent, id);
        if (boardType != nullptr) {
            setText(item, ids::PRODUCT / ids::BOARD_TYPE, boardType);
        }
        set<uint32_t>(item, ids::PRODUCT / ids::SERIAL_NUMBER, serial);
        if (systemClass != 0) {
            set<uint32_t>(item, ids::PRODUCT / ids::SYSTEM_CLASS, systemClass);
        }
        return item;
    }

  private:
    static const char* nameOf(const VkCInventoryAddress& id) {
        const char* name = VkNInventoryIDs::Map.get(id.getCategory());
        return name ? name : "ITEM";
    }

    VkCErrorListPool pool_;
    std::unique_ptr<VkCInventoryItem> root_{
        new VkCInventoryItem(pool_, VkNInventoryIDs::ROOT, nameOf(VkNInventoryIDs::ROOT))};
};
