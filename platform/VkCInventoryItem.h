#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "VkCErrorList.h"
#include "VkCInventoryAddress.h"
#include "VkCString.h"
#include "VkCVersion.h"
#include "VkPlatformApi.h"

class VkCInventoryItem;
class VkCInventoryNodeStore;

// Base of the inventory tree's nodes.
class VK_PLATFORM_API VkCComposite {
  public:
    VkCComposite(const VkCInventoryAddress& id, const char* name);
    virtual ~VkCComposite();
    VkCComposite(const VkCComposite&) = delete;
    VkCComposite& operator=(const VkCComposite&) = delete;

    // The node's name: its category name, or the descriptor given for a non-predefined ID.
    const char* getDescription() const { return name_; }
    // The node's own ID (one address element).
    const VkCInventoryAddress& getID() const { return id_; }
    VkCInventoryItem* getParent() const { return parent_; }
    // The full path from the root of the tree.
    VkCInventoryAddress getAddress() const;

  protected:
    friend class VkCInventoryItem;
    // For VkCInventoryItem::copyTree: the same ID and name, in no tree yet.
    struct CopyOf {};
    VkCComposite(const VkCComposite& original, CopyOf);

    VkCInventoryAddress id_;
    // The name's text. Most nodes are named by their predefined category: that name, like the
    // empty one, is shared rather than copied into every node; any other name is a copy kept
    // in ownName_.
    const char* name_;
    std::unique_ptr<char[]> ownName_;
    VkCInventoryItem* parent_ = nullptr;
    // Whether the node lives in the node store of its tree (see VkCInventoryItem::makeSubItem)
    // rather than on its own: it is then destroyed in place, and its memory is released with
    // the store. Last, so that the derived classes' first small members share its padding.
    bool inNodeStore_ = false;
};

// A typed value node. The type codes are those of the inventory XML format.
class VK_PLATFORM_API VkCInventoryParameter : public VkCComposite {
  public:
    enum TypeCode : uint16_t {
        TypeUInt8 = 0x121,
        TypeUInt16 = 0x122,
        TypeUInt32 = 0x124,
        TypeULong64 = 0x128,
        TypeInt8 = 0x111,
        TypeInt16 = 0x112,
        TypeInt32 = 0x114,
        TypeLong64 = 0x118,
        TypeFloat32 = 0x214,
        TypeFloat64 = 0x218,
        TypeString = 0x2000,
        TypeVersion = 0x4000,
    };
    using Value = std::variant<uint8_t, uint16_t, uint32_t, uint64_t, int8_t, int16_t, int32_t,
                               int64_t, float, double, VkCString, VkCVersion>;

#define VK_PARAMETER_CONSTRUCTOR(T)                                                                \
    VkCInventoryParameter(VkCErrorListPool& pool, const VkCInventoryAddress& id, const char* name, \
                          T value, const char* unit, bool modifiable, uint32_t relevance)          \
        : VkCInventoryParameter(pool, id, name, Value(std::in_place_type<std::decay_t<T>>, value), \
                                unit, modifiable, relevance) {}
    VK_PARAMETER_CONSTRUCTOR(uint8_t)
    VK_PARAMETER_CONSTRUCTOR(uint16_t)
    VK_PARAMETER_CONSTRUCTOR(uint32_t)
    VK_PARAMETER_CONSTRUCTOR(uint64_t)
    VK_PARAMETER_CONSTRUCTOR(int8_t)
    VK_PARAMETER_CONSTRUCTOR(int16_t)
    VK_PARAMETER_CONSTRUCTOR(int32_t)
    VK_PARAMETER_CONSTRUCTOR(int64_t)
    VK_PARAMETER_CONSTRUCTOR(float)
    VK_PARAMETER_CONSTRUCTOR(double)
    VK_PARAMETER_CONSTRUCTOR(const VkCString&)
    VK_PARAMETER_CONSTRUCTOR(const VkCVersion&)
#undef VK_PARAMETER_CONSTRUCTOR
    // A text value moved in rather than copied.
    VkCInventoryParameter(VkCErrorListPool& pool, const VkCInventoryAddress& id, const char* name,
                          VkCString&& value, const char* unit, bool modifiable, uint32_t relevance)
        : VkCInventoryParameter(pool, id, name,
                                Value(std::in_place_type<VkCString>, std::move(value)), unit,
                                modifiable, relevance) {}
    ~VkCInventoryParameter() override;

    const Value& getValue() const {
        return value_;
    }
    uint16_t getTypeCode() const;
    const char* getUnit() const {
        return unit_.get();
    }
    bool isModifiable() const {
        return modifiable_;
    }
    uint32_t getRelevance() const {
        return relevance_;
    }

  private:
    friend class VkCInventoryItem;
    VkCInventoryParameter(VkCErrorListPool& pool, const VkCInventoryAddress& id, const char* name,
                          Value value, const char* unit, bool modifiable, uint32_t relevance);
    VkCInventoryParameter(const VkCInventoryParameter& original, CopyOf);

    bool modifiable_ = false;
    uint32_t relevance_ = 0;
    Value value_;
    std::unique_ptr<char[]> unit_;  // null: no unit
};

// A tree node with sub items and parameters, both kept in insertion order. An item owns its
// subtree; deleting it deletes the whole subtree.
//
// Nodes are made with new and handed over to addItem / addParameter, or made in place by
// makeSubItem / makeParameter: those keep the nodes of a whole tree in large blocks of memory
// that the tree's root owns and releases when it is deleted, so that a tree of a hundred
// thousand nodes costs a few dozen allocations instead of one per node. Either way the tree is
// deleted through its root.
class VK_PLATFORM_API VkCInventoryItem : public VkCComposite {
  public:
    VkCInventoryItem(VkCErrorListPool& pool, const VkCInventoryAddress& id, const char* name);
    ~VkCInventoryItem() override;

    // Takes ownership of item; the address argument is not used (the item brings its ID).
    void addItem(const VkCInventoryAddress& unused, VkCInventoryItem* item);
    // Takes ownership of parameter. A parameter whose ID the item already has is refused:
    // an error is entered in pool and the parameter is deleted.
    void addParameter(VkCErrorListPool& pool, const VkCInventoryAddress& unused,
                      VkCInventoryParameter* parameter);

    // As addItem with a new item and addParameter with a new parameter (refused the same way),
    // with the node made in the node store of this item's tree. Null when memory runs out or
    // the parameter is refused. An item that was made with new and hung below another one makes
    // its nodes with new.
    VkCInventoryItem* makeSubItem(VkCErrorListPool& pool, const VkCInventoryAddress& id,
                                  const char* name);
    VkCInventoryParameter* makeParameter(VkCErrorListPool& pool, const VkCInventoryAddress& id,
                                         const char* name, VkCInventoryParameter::Value value,
                                         const char* unit, bool modifiable, uint32_t relevance);

    // A tree of its own with the same items and parameters, in the same order, as the subtree
    // of this item, which becomes its root; its nodes are made in its node store. Null when
    // memory runs out.
    std::unique_ptr<VkCInventoryItem> copyTree() const;

    // Look-ups by a path relative to this item; null when absent.
    VkCInventoryItem* getItem(const VkCInventoryAddress& path) const;
    VkCInventoryParameter* getParameter(const VkCInventoryAddress& path) const;

    VkCInventoryItem* getFirstSubItem() const;
    VkCInventoryItem* getNext() const;  // the next sibling item
    const std::vector<std::unique_ptr<VkCInventoryItem>>& subItems() const { return items_; }
    const std::vector<std::unique_ptr<VkCInventoryParameter>>& parameters() const {
        return parameters_;
    }

    // Reads a value. A path the item does not have, or a parameter of another value type,
    // yields the empty value and enters an error naming the path in pool.
    void getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path, uint8_t& out) const;
    void getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path, uint32_t& out) const;
    void getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path, VkCString& out) const;
    void getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path, VkCVersion& out) const;

  private:
    VkCInventoryItem(const VkCInventoryItem& original, CopyOf);  // without sub items, parameters
    // Gives copy, made by copyTree, copies of this item's parameters and sub items; returns
    // the sub items' copies for their own turn, or false when memory runs out.
    bool copyNodesInto(
        VkCInventoryItem& copy, VkCInventoryNodeStore& store,
        std::vector<std::pair<const VkCInventoryItem*, VkCInventoryItem*>>& pending) const;
    template <typename T>
    T readValue(VkCErrorListPool& pool, const VkCInventoryAddress& path) const;
    // Ends the life of a node that its tree no longer holds: one in a node store is destroyed
    // in place (the store releases its memory), any other is deleted.
    template <typename Node>
    static void discard(std::unique_ptr<Node>& node);
    bool refusesParameter(VkCErrorListPool& pool, const VkCInventoryAddress& id) const;
    void reserveParameterRoom();
    void attachParameter(std::unique_ptr<VkCInventoryParameter> parameter);
    // The store where this item makes its nodes; null where they are made with new.
    VkCInventoryNodeStore* nodeStore();

    uint32_t indexInParent_ = 0;
    std::vector<std::unique_ptr<VkCInventoryItem>> items_;
    std::vector<std::unique_ptr<VkCInventoryParameter>> parameters_;
    VkCInventoryNodeStore* nodeStore_ = nullptr;         // the tree's, once a node is made in it
    std::unique_ptr<VkCInventoryNodeStore> ownedStore_;  // a root's store
};
