#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "VkCErrorList.h"
#include "VkCInventoryAddress.h"
#include "VkCString.h"
#include "VkCVersion.h"
#include "VkPlatformApi.h"

class VkCInventoryItem;

// Base of the inventory tree's nodes.
class VK_PLATFORM_API VkCComposite {
  public:
    VkCComposite(const VkCInventoryAddress& id, const char* name)
        : id_(id), name_(name ? name : "") {}
    virtual ~VkCComposite();
    VkCComposite(const VkCComposite&) = delete;
    VkCComposite& operator=(const VkCComposite&) = delete;

    // The node's name: its category name, or the descriptor given for a non-predefined ID.
    const char* getDescription() const { return name_.c_str(); }
    // The node's own ID (one address element).
    const VkCInventoryAddress& getID() const { return id_; }
    VkCInventoryItem* getParent() const { return parent_; }
    // The full path from the root of the tree.
    VkCInventoryAddress getAddress() const;

  protected:
    friend class VkCInventoryItem;
    VkCInventoryAddress id_;
    std::string name_;
    VkCInventoryItem* parent_ = nullptr;
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
    ~VkCInventoryParameter() override;

    const Value& getValue() const {
        return value_;
    }
    uint16_t getTypeCode() const;
    const char* getUnit() const {
        return hasUnit_ ? unit_.c_str() : nullptr;
    }
    bool isModifiable() const {
        return modifiable_;
    }
    uint32_t getRelevance() const {
        return relevance_;
    }

  private:
    VkCInventoryParameter(VkCErrorListPool& pool, const VkCInventoryAddress& id, const char* name,
                          Value value, const char* unit, bool modifiable, uint32_t relevance);

    Value value_;
    std::string unit_;
    bool hasUnit_ = false;
    bool modifiable_ = false;
    uint32_t relevance_ = 0;
};

// A tree node with sub items and parameters, both kept in insertion order. An item owns its
// subtree; deleting it deletes the whole subtree.
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
    template <typename T>
    T readValue(VkCErrorListPool& pool, const VkCInventoryAddress& path) const;

    std::vector<std::unique_ptr<VkCInventoryItem>> items_;
    std::vector<std::unique_ptr<VkCInventoryParameter>> parameters_;
    size_t indexInParent_ = 0;
};
