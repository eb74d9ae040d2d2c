#pragma once
#include <cstdint>
#include <memory>

#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "VkCString.h"
#include "VkCVersion.h"
#include "VkNInventoryIDs.h"

// Builds inventory trees by hand for tests. Paths name items and a final parameter
// ("PRODUCT / BOARD_TYPE"); the items along a path are made when missing.
class InventoryBuilder {
  public:
    // The root of the tree (category ROOT), kept by the builder.
    VkCInventoryItem* root() { return root_.get(); }

    // A new sub item of parent with ID id (its name is the category name, or name if given).
    VkCInventoryItem* add(VkCInventoryItem* parent, const VkCInventoryAddress& id,
                          const char* name = nullptr) {
        VkCInventoryItem* item = makeItem(id, name);
        parent->addItem(VkCInventoryAddress(), item);
        return item;
    }

    template <typename T>
    VkCInventoryItem* set(VkCInventoryItem* item, const VkCInventoryAddress& path, T value) {
        const auto& elements = path.elements();
        VkCInventoryItem* owner = item;
        for (size_t i = 0; i + 1 < elements.size(); ++i) {
            const VkCInventoryAddress step(elements[i].category, elements[i].index);
            VkCInventoryItem* next = owner->getItem(step);
            owner = next ? next : add(owner, step);
        }
        const VkCInventoryAddress last(elements.back().category, elements.back().index);
        owner->addParameter(
            pool_, VkCInventoryAddress(),
            new VkCInventoryParameter(pool_, last, nameOf(last), value, nullptr, false, 0));
        return item;
    }
    VkCInventoryItem* setText(VkCInventoryItem* item, const VkCInventoryAddress& path,
                              const char* text) {
        return set<const VkCString&>(item, path, VkCString(text));
    }
    VkCInventoryItem* setVersion(VkCInventoryItem* item, const VkCInventoryAddress& path,
                                 const char* text) {
        return set<const VkCVersion&>(item, path, VkCVersion(text));
    }

    // A board item with the usual identity: board type, serial number, optional class.
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

    VkCErrorListPool& pool() { return pool_; }

  private:
    static const char* nameOf(const VkCInventoryAddress& id) {
        const char* name = VkNInventoryIDs::Map.get(id.getCategory());
        return name ? name : "ITEM";
    }
    VkCInventoryItem* makeItem(const VkCInventoryAddress& id, const char* name = nullptr) {
        return new VkCInventoryItem(pool_, id, name ? name : nameOf(id));
    }

    VkCErrorListPool pool_;
    std::unique_ptr<VkCInventoryItem> root_{makeItem(VkNInventoryIDs::ROOT)};
};
