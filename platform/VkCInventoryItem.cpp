#include "VkCInventoryItem.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "VkNInventoryIDs.h"

namespace {

constexpr uint32_t kErrorNoSuchParameter = 0x01400101;
constexpr uint32_t kErrorWrongValueType = 0x01400102;
constexpr uint32_t kErrorDuplicateParameter = 0x01400103;
// Room for the parameters of an item when it gets its first one: the usual handful, in one
// allocation instead of a doubling from one.
constexpr size_t kFirstParameterCapacity = 8;

// The shared text for a node name: the predefined name of the node's category or "" when the
// name is that; null when the name must be copied.
const char* sharedNameText(const VkCInventoryAddress& id, const char* name) {
    if (name == nullptr || *name == '\0') {
        return "";
    }
    const char* categoryName = VkNInventoryIDs::Map.get(id.getCategory());
    if (categoryName != nullptr && (name == categoryName || std::strcmp(name, categoryName) == 0)) {
        return categoryName;
    }
    return nullptr;
}

std::unique_ptr<char[]> copyOf(const char* text) {
    const size_t size = std::strlen(text) + 1;
    std::unique_ptr<char[]> copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), text, size);
    return copy;
}

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

// Memory for the nodes of one tree, handed out in order from blocks taken as they are needed
// and released all together. The blocks stay below the size the C library would map on its
// own, so that their memory is reused like any other once the store is gone.
class VkCInventoryNodeStore {
  public:
    // Room for size bytes aligned for any node; null when memory runs out.
    void* allocate(size_t size) {
        size = (size + kAlignment - 1) & ~(kAlignment - 1);
        if (size > left_ && !addBlock(size)) {
            return nullptr;
        }
        void* room = next_;
        next_ += size;
        left_ -= size;
        return room;
    }

  private:
    static constexpr size_t kAlignment = alignof(std::max_align_t);
    static constexpr size_t kBlockSize = size_t(64) << 10;

    bool addBlock(size_t size) {
        const size_t blockSize = size > kBlockSize ? size : kBlockSize;
        std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[blockSize]);
        if (!block) {
            return false;
        }
        next_ = block.get();
        left_ = blockSize;
        blocks_.push_back(std::move(block));
        return true;
    }

    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::byte* next_ = nullptr;
    size_t left_ = 0;
};

VkCComposite::VkCComposite(const VkCInventoryAddress& id, const char* name)
    : id_(id), name_(sharedNameText(id, name)) {
    if (name_ == nullptr) {
        ownName_ = copyOf(name);
        name_ = ownName_.get();
    }
}

VkCComposite::VkCComposite(const VkCComposite& original, CopyOf)
    : id_(original.id_), name_(original.name_) {
    if (original.ownName_) {
        ownName_ = copyOf(original.name_);
        name_ = ownName_.get();
    }
}

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
      modifiable_(modifiable),
      relevance_(relevance),
      value_(std::move(value)),
      unit_(unit ? copyOf(unit) : nullptr) {}

VkCInventoryParameter::VkCInventoryParameter(const VkCInventoryParameter& original, CopyOf)
    : VkCComposite(original, CopyOf()),
      modifiable_(original.modifiable_),
      relevance_(original.relevance_),
      value_(original.value_),
      unit_(original.unit_ ? copyOf(original.unit_.get()) : nullptr) {}

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

VkCInventoryItem::VkCInventoryItem(const VkCInventoryItem& original, CopyOf)
    : VkCComposite(original, CopyOf()) {}

std::unique_ptr<VkCInventoryItem> VkCInventoryItem::copyTree() const {
    std::unique_ptr<VkCInventoryItem> root(new (std::nothrow) VkCInventoryItem(*this, CopyOf()));
    VkCInventoryNodeStore* store = root ? root->nodeStore() : nullptr;
    if (store == nullptr) {
        return nullptr;
    }
    // Without recursion, like the destructor: each item is copied below its copied parent.
    std::vector<std::pair<const VkCInventoryItem*, VkCInventoryItem*>> pending{{this, root.get()}};
    while (!pending.empty()) {
        const auto [original, copy] = pending.back();
        pending.pop_back();
        if (!original->copyNodesInto(*copy, *store, pending)) {
            return nullptr;  // what was copied so far hangs in root and goes with it
        }
    }
    return root;
}

// The copies need none of the checks of makeSubItem and makeParameter: they repeat nodes of a
// tree that passed them.
bool VkCInventoryItem::copyNodesInto(
    VkCInventoryItem& copy, VkCInventoryNodeStore& store,
    std::vector<std::pair<const VkCInventoryItem*, VkCInventoryItem*>>& pending) const {
    copy.parameters_.reserve(parameters_.size());
    for (const auto& parameter : parameters_) {
        void* room = store.allocate(sizeof(VkCInventoryParameter));
        if (room == nullptr) {
            return false;
        }
        std::unique_ptr<VkCInventoryParameter> made(
            new (room) VkCInventoryParameter(*parameter, CopyOf()));
        made->inNodeStore_ = true;
        copy.attachParameter(std::move(made));
    }
    copy.items_.reserve(items_.size());
    for (const auto& item : items_) {
        void* room = store.allocate(sizeof(VkCInventoryItem));
        if (room == nullptr) {
            return false;
        }
        auto* made = new (room) VkCInventoryItem(*item, CopyOf());
        made->inNodeStore_ = true;
        made->nodeStore_ = &store;
        copy.addItem(VkCInventoryAddress(), made);
        pending.emplace_back(item.get(), made);
    }
    return true;
}

template <typename Node>
void VkCInventoryItem::discard(std::unique_ptr<Node>& node) {
    if (node && node->inNodeStore_) {
        node.release()->~Node();
    }
    node.reset();
}

VkCInventoryItem::~VkCInventoryItem() {
    // Deletes the subtree without recursion, so that a deep tree cannot exhaust the stack. The
    // stores of items below are kept until the end, since later nodes may live in them.
    std::vector<std::unique_ptr<VkCInventoryNodeStore>> stores;
    std::vector<std::unique_ptr<VkCInventoryItem>> pending;
    pending.swap(items_);
    while (!pending.empty()) {
        std::unique_ptr<VkCInventoryItem> item = std::move(pending.back());
        pending.pop_back();
        for (auto& child : item->items_) {
            pending.push_back(std::move(child));
        }
        item->items_.clear();
        if (item->ownedStore_) {
            stores.push_back(std::move(item->ownedStore_));
        }
        discard(item);
    }
    for (auto& parameter : parameters_) {
        discard(parameter);
    }
}

void VkCInventoryItem::addItem(const VkCInventoryAddress&, VkCInventoryItem* item) {
    if (item == nullptr) {
        return;
    }
    item->parent_ = this;
    item->indexInParent_ = uint32_t(items_.size());
    items_.emplace_back(item);
}

bool VkCInventoryItem::refusesParameter(VkCErrorListPool& pool,
                                        const VkCInventoryAddress& id) const {
    if (getParameter(id) == nullptr) {
        return false;
    }
    pool.setError(kErrorDuplicateParameter, 0, "Item %1 already has a parameter %2.", 0, __LINE__,
                  "addParameter", "%s%s", getAddress().toString().c_str(), id.toString().c_str());
    return true;
}

void VkCInventoryItem::reserveParameterRoom() {
    if (parameters_.size() == parameters_.capacity()) {
        parameters_.reserve(parameters_.empty() ? kFirstParameterCapacity
                                                : 2 * parameters_.capacity());
    }
}

void VkCInventoryItem::attachParameter(std::unique_ptr<VkCInventoryParameter> parameter) {
    parameter->parent_ = this;
    reserveParameterRoom();
    parameters_.push_back(std::move(parameter));
}

void VkCInventoryItem::addParameter(VkCErrorListPool& pool, const VkCInventoryAddress&,
                                    VkCInventoryParameter* parameter) {
    std::unique_ptr<VkCInventoryParameter> owned(parameter);
    if (owned && !refusesParameter(pool, owned->getID())) {
        attachParameter(std::move(owned));
    }
}

VkCInventoryNodeStore* VkCInventoryItem::nodeStore() {
    if (nodeStore_ == nullptr && parent_ == nullptr) {
        ownedStore_ = std::make_unique<VkCInventoryNodeStore>();
        nodeStore_ = ownedStore_.get();
    }
    return nodeStore_;
}

// The room for the new node is reserved in the item first, so that a node made in the store is
// never left unowned by a failing allocation.
VkCInventoryItem* VkCInventoryItem::makeSubItem(VkCErrorListPool& pool,
                                                const VkCInventoryAddress& id, const char* name) {
    if (items_.size() == items_.capacity()) {
        items_.reserve(items_.empty() ? 1 : 2 * items_.capacity());
    }
    VkCInventoryNodeStore* store = nodeStore();
    VkCInventoryItem* item = nullptr;
    if (store == nullptr) {
        item = new (std::nothrow) VkCInventoryItem(pool, id, name);
    } else if (void* room = store->allocate(sizeof(VkCInventoryItem))) {
        item = new (room) VkCInventoryItem(pool, id, name);
        item->inNodeStore_ = true;
        item->nodeStore_ = store;
    }
    addItem(id, item);
    return item;
}

VkCInventoryParameter* VkCInventoryItem::makeParameter(
    VkCErrorListPool& pool, const VkCInventoryAddress& id, const char* name,
    VkCInventoryParameter::Value value, const char* unit, bool modifiable, uint32_t relevance) {
    if (refusesParameter(pool, id)) {
        return nullptr;
    }
    reserveParameterRoom();
    VkCInventoryNodeStore* store = nodeStore();
    std::unique_ptr<VkCInventoryParameter> parameter;
    if (store == nullptr) {
        parameter.reset(new (std::nothrow) VkCInventoryParameter(pool, id, name, std::move(value),
                                                                 unit, modifiable, relevance));
    } else if (void* room = store->allocate(sizeof(VkCInventoryParameter))) {
        parameter.reset(new (room) VkCInventoryParameter(pool, id, name, std::move(value), unit,
                                                         modifiable, relevance));
        parameter->inNodeStore_ = true;
    }
    VkCInventoryParameter* made = parameter.get();
    if (made != nullptr) {
        attachParameter(std::move(parameter));
    }
    return made;
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
