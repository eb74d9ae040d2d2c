#include "VkCInventoryItem.h"

#include <string>

namespace {

constexpr uint32_t kErrorNoSuchParameter = 0x01400101;
constexpr uint32_t kErrorWrongValueType = 0x01400102;
constexpr uint32_t kErrorDuplicateParameter = 0x01400103;

// The child item with the given ID element, or null.
const VkCInventoryItem* childWithId(const VkCInventoryItem& item,
                                    const VkCInventoryAddress::Element& id) {
    for (const auto& child : item.subItems()) {
        const VkCInventoryAddress& childId = child->getID();
        if (childId.elements().size() == 1 && childId.elements().front() == id) {
            return child.get();
        }
    }
    return nullptr;
}

// Walks the first count elements of path from item; null when one is absent.
const VkCInventoryItem* walk(const VkCInventoryItem& item, const VkCInventoryAddress& path,
                             size_t count) {
    const VkCInventoryItem* current = &item;
    for (size_t i = 0; i < count && current != nullptr; ++i) {
        current = childWithId(*current, path.elements()[i]);
    }
    return current;
}

}  // namespace

VkCComposite::~VkCComposite() = default;

VkCInventoryAddress VkCComposite::getAddress() const {
    if (parent_ == nullptr) {
        return id_;
    }
    return parent_->getAddress() / id_;
}

VkCInventoryParameter::VkCInventoryParameter(VkCErrorListPool&, const VkCInventoryAddress& id,
                                             const char* name, Value value, const char* unit,
                                             bool modifiable, uint32_t relevance)
    : VkCComposite(id, name),
      value_(std::move(value)),
      unit_(unit ? unit : ""),
      hasUnit_(unit != nullptr),
      modifiable_(modifiable),
      relevance_(relevance) {}

VkCInventoryParameter::~VkCInventoryParameter() = default;

uint16_t VkCInventoryParameter::getTypeCode() const {
    static const uint16_t kCodes[] = {TypeUInt8,   TypeUInt16,  TypeUInt32, TypeULong64,
                                      TypeInt8,    TypeInt16,   TypeInt32,  TypeLong64,
                                      TypeFloat32, TypeFloat64, TypeString, TypeVersion};
    return kCodes[value_.index()];
}

VkCInventoryItem::VkCInventoryItem(VkCErrorListPool&, const VkCInventoryAddress& id,
                                   const char* name)
    : VkCComposite(id, name) {}

VkCInventoryItem::~VkCInventoryItem() {
    // Deletes the subtree without recursion, so that a deep tree cannot exhaust the stack.
    std::vector<std::unique_ptr<VkCInventoryItem>> pending;
    pending.swap(items_);
    while (!pending.empty()) {
        std::unique_ptr<VkCInventoryItem> item = std::move(pending.back());
        pending.pop_back();
        for (auto& child : item->items_) {
            pending.push_back(std::move(child));
        }
        item->items_.clear();
    }
}

void VkCInventoryItem::addItem(const VkCInventoryAddress&, VkCInventoryItem* item) {
    if (item == nullptr) {
        return;
    }
    item->parent_ = this;
    item->indexInParent_ = items_.size();
    items_.emplace_back(item);
}

void VkCInventoryItem::addParameter(VkCErrorListPool& pool, const VkCInventoryAddress&,
                                    VkCInventoryParameter* parameter) {
    std::unique_ptr<VkCInventoryParameter> owned(parameter);
    if (!owned) {
        return;
    }
    if (getParameter(owned->getID()) != nullptr) {
        pool.setError(kErrorDuplicateParameter, 0, "Item %1 already has a parameter %2.", 0,
                      __LINE__, "addParameter", "%s%s", getAddress().toString().c_str(),
                      owned->getID().toString().c_str());
        return;
    }
    owned->parent_ = this;
    parameters_.push_back(std::move(owned));
}

VkCInventoryItem* VkCInventoryItem::getItem(const VkCInventoryAddress& path) const {
    if (path.isEmpty()) {
        return nullptr;
    }
    return const_cast<VkCInventoryItem*>(walk(*this, path, path.elements().size()));
}

VkCInventoryParameter* VkCInventoryItem::getParameter(const VkCInventoryAddress& path) const {
    if (path.isEmpty()) {
        return nullptr;
    }
    const VkCInventoryItem* owner = walk(*this, path, path.elements().size() - 1);
    if (owner == nullptr) {
        return nullptr;
    }
    const VkCInventoryAddress::Element& id = path.elements().back();
    for (const auto& parameter : owner->parameters_) {
        const VkCInventoryAddress& parameterId = parameter->getID();
        if (parameterId.elements().size() == 1 && parameterId.elements().front() == id) {
            return parameter.get();
        }
    }
    return nullptr;
}

VkCInventoryItem* VkCInventoryItem::getFirstSubItem() const {
    return items_.empty() ? nullptr : items_.front().get();
}

VkCInventoryItem* VkCInventoryItem::getNext() const {
    if (parent_ == nullptr || indexInParent_ + 1 >= parent_->items_.size()) {
        return nullptr;
    }
    return parent_->items_[indexInParent_ + 1].get();
}

template <typename T>
T VkCInventoryItem::readValue(VkCErrorListPool& pool, const VkCInventoryAddress& path) const {
    const VkCInventoryParameter* parameter = getParameter(path);
    if (parameter != nullptr) {
        if (const T* value = std::get_if<T>(&parameter->getValue())) {
            return *value;
        }
    }
    const std::string where = (getAddress() / path).toString().str();
    if (parameter == nullptr) {
        pool.setError(kErrorNoSuchParameter, 0, "Inventory parameter %1 does not exist.", 0,
                      __LINE__, "getValue", "%s", where.c_str());
    } else {
        pool.setError(kErrorWrongValueType, 0, "Inventory parameter %1 has another value type.", 0,
                      __LINE__, "getValue", "%s", where.c_str());
    }
    return T();
}

void VkCInventoryItem::getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path,
                                uint8_t& out) const {
    out = readValue<uint8_t>(pool, path);
}

void VkCInventoryItem::getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path,
                                uint32_t& out) const {
    out = readValue<uint32_t>(pool, path);
}

void VkCInventoryItem::getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path,
                                VkCString& out) const {
    out = readValue<VkCString>(pool, path);
}

void VkCInventoryItem::getValue(VkCErrorListPool& pool, const VkCInventoryAddress& path,
                                VkCVersion& out) const {
    out = readValue<VkCVersion>(pool, path);
}
