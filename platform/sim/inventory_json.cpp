#include "sim/inventory_json.h"

#include <algorithm>
#include <initializer_list>
#include <set>
#include <string_view>
#include <utility>

#include "VkNInventoryIDs.h"
#include "sim/inventory_json_values.h"
#include "sim/sim_text.h"

namespace vksim {

namespace {

using Param = VkCInventoryParameter;

// An item and its "items" array are two levels of JSON nesting: parsed documents never nest
// items deeper, and a tree built from a document made otherwise does not either.
constexpr size_t kMaxItemNesting = kMaxJsonNesting / 2;

// Sibling items up to this many are checked for a repeated ID against the ones before them;
// longer arrays use a set.
constexpr size_t kSiblingsCheckedOneByOne = 16;

// Where a value lies in the document ("inventory[0].params.SLOT"): a chain of steps, written
// out only for an error message, so a document without errors costs no text for its places.
class Place {
  public:
    explicit Place(std::string_view root) : step_(root) {}
    Place(const Place& parent, std::string_view member) : parent_(&parent), step_(member) {}
    Place(const Place& parent, size_t index) : parent_(&parent), index_(index), isIndex_(true) {}

    std::string text() const {
        if (parent_ == nullptr) {
            return std::string(step_);
        }
        return parent_->text() +
               (isIndex_ ? "[" + std::to_string(index_) + "]" : "." + std::string(step_));
    }

  private:
    const Place* parent_ = nullptr;
    std::string_view step_;
    size_t index_ = 0;
    bool isIndex_ = false;
};

// Walks the JSON items depth-first; the first problem found ends the walk.
class TreeBuilder {
  public:
    explicit TreeBuilder(std::string origin) : origin_(std::move(origin)) {}

    bool addItems(const Json& items, const Place& place, VkCInventoryItem& parent,
                  size_t nesting = 1);
    const std::string& error() const { return error_; }

  private:
    bool fail(const Place& place, const std::string& message) {
        error_ = origin_ + ": " + place.text() + ": " + message;
        return false;
    }
    bool addItem(const Json& item, const Place& place, VkCInventoryItem& parent, size_t nesting);
    bool checkSiblingIds(const Json& items, size_t added, const Place& place,
                         const VkCInventoryItem& parent,
                         std::set<std::pair<uint32_t, uint32_t>>& seen);
    bool addParameters(const Json& params, const Place& place, VkCInventoryItem& item);
    bool addParameter(const std::string& key, const Json& value, const Place& place,
                      VkCInventoryItem& item);
    bool checkKeys(const Json& object, std::initializer_list<std::string_view> allowed,
                   const Place& place);
    bool checkUpdateInfoFrom(const Json& item, const Place& place);
    bool checkNextStart(const Json& item, const Place& place);
    bool nameOf(const VkCInventoryAddress& id, const Json& object, const Place& place,
                std::string& name);

    std::string origin_;
    std::string error_;
    VkCErrorListPool scratch_;
};

// Parameters the item reports from the next start of the target on; only a reset reads them.
bool TreeBuilder::checkNextStart(const Json& item, const Place& place) {
    const auto nextStart = item.find("nextStart");
    if (nextStart == item.end()) {
        return true;
    }
    VkCInventoryItem unused(scratch_, VkCInventoryAddress(), "");
    return addParameters(*nextStart, Place(place, "nextStart"), unused);
}

bool TreeBuilder::checkKeys(const Json& object, std::initializer_list<std::string_view> allowed,
                            const Place& place) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end()) {
            return fail(place, "unknown member \"" + it.key() + "\"");
        }
    }
    return true;
}

// Only a reset of the target reads it; the tree does not show it.
bool TreeBuilder::checkUpdateInfoFrom(const Json& item, const Place& place) {
    const auto from = item.find("updateInfoFrom");
    VkCVersion version;
    if (from != item.end() &&
        !(from->is_string() && version.setByString(from->get<std::string>().c_str()))) {
        return fail(Place(place, "updateInfoFrom"), "expected a version text such as \"5.0\"");
    }
    return true;
}

// Predefined IDs are named by their category; others need a "descr".
bool TreeBuilder::nameOf(const VkCInventoryAddress& id, const Json& object, const Place& place,
                         std::string& name) {
    const char* predefined = VkNInventoryIDs::Map.get(id.getCategory());
    if (predefined != nullptr) {
        name = predefined;
        return true;
    }
    const auto descr = object.is_object() ? object.find("descr") : object.end();
    if (descr == object.end() || !descr->is_string() || descr->get<std::string>().empty()) {
        return fail(place, "the non-predefined ID " + std::to_string(id.getCategory()) +
                               " needs a \"descr\" text");
    }
    name = descr->get<std::string>();
    return true;
}

bool TreeBuilder::addItems(const Json& items, const Place& place, VkCInventoryItem& parent,
                           size_t nesting) {
    if (!items.is_array()) {
        return fail(place, "expected an array of items");
    }
    if (nesting > kMaxItemNesting) {
        return fail(place,
                    "items nested deeper than " + std::to_string(kMaxItemNesting) + " levels");
    }
    std::set<std::pair<uint32_t, uint32_t>> seen;
    for (size_t i = 0; i < items.size(); ++i) {
        const Place itemPlace(place, i);
        if (!addItem(items[i], itemPlace, parent, nesting) ||
            !checkSiblingIds(items, i, itemPlace, parent, seen)) {
            return false;
        }
    }
    return true;
}

// Checks the ID of the item just added (the added-th of items) against its siblings before it.
bool TreeBuilder::checkSiblingIds(const Json& items, size_t added, const Place& place,
                                  const VkCInventoryItem& parent,
                                  std::set<std::pair<uint32_t, uint32_t>>& seen) {
    const auto& siblings = parent.subItems();
    const VkCInventoryAddress& id = siblings.back()->getID();
    bool repeated = false;
    if (items.size() <= kSiblingsCheckedOneByOne) {
        for (size_t i = siblings.size() - 1 - added; i + 1 < siblings.size() && !repeated; ++i) {
            repeated = siblings[i]->getID() == id;
        }
    } else {
        repeated = !seen.insert({id.getCategory(), id.getIndex()}).second;
    }
    if (repeated) {
        return fail(place, "a sibling item already has the ID \"" +
                               formatInventoryId(id.getCategory(), id.getIndex()) + "\"");
    }
    return true;
}

bool TreeBuilder::addItem(const Json& item, const Place& place, VkCInventoryItem& parent,
                          size_t nesting) {
    if (!item.is_object()) {
        return fail(place, "expected an item object with an \"id\"");
    }
    if (!checkKeys(item, {"id", "descr", "params", "items", "updateInfoFrom", "nextStart"},
                   place) ||
        !checkUpdateInfoFrom(item, place) || !checkNextStart(item, place)) {
        return false;
    }
    const auto idValue = item.find("id");
    VkCInventoryAddress id;
    if (idValue == item.end() || !idValue->is_string()) {
        return fail(place, "the item has no \"id\" text");
    }
    const std::string& idText = idValue->get_ref<const std::string&>();
    if (!parseInventoryId(idText, id)) {
        return fail(Place(place, "id"), "\"" + idText + "\" is no inventory ID");
    }
    std::string name;
    if (!nameOf(id, item, place, name)) {
        return false;
    }
    VkCInventoryItem* node = parent.makeSubItem(scratch_, id, name.c_str());
    if (node == nullptr) {
        return fail(place, "out of memory");
    }
    VkCInventoryItem& added = *node;
    const auto params = item.find("params");
    if (params != item.end() && !addParameters(*params, Place(place, "params"), added)) {
        return false;
    }
    const auto items = item.find("items");
    return items == item.end() || addItems(*items, Place(place, "items"), added, nesting + 1);
}

bool TreeBuilder::addParameters(const Json& params, const Place& place, VkCInventoryItem& item) {
    if (!params.is_object()) {
        return fail(place, "expected an object of parameters");
    }
    for (auto it = params.begin(); it != params.end(); ++it) {
        if (!addParameter(it.key(), it.value(), Place(place, it.key()), item)) {
            return false;
        }
    }
    return true;
}

bool TreeBuilder::addParameter(const std::string& key, const Json& value, const Place& place,
                               VkCInventoryItem& item) {
    VkCInventoryAddress id;
    if (!parameterIdOf(key, id)) {
        return fail(place, "\"" + key + "\" is no inventory ID");
    }
    if (item.getParameter(id) != nullptr) {
        return fail(place, "the item already has the parameter " +
                               formatInventoryId(id.getCategory(), id.getIndex()));
    }
    const bool typed = value.is_object();
    if (typed &&
        !checkKeys(value, {"type", "value", "descr", "unit", "modifiable", "relevance"}, place)) {
        return false;
    }
    uint16_t typeCode = 0;
    if (typed) {
        const auto type = value.find("type");
        if (type == value.end() || !type->is_string() ||
            !typeCodeFromName(type->get<std::string>(), typeCode)) {
            return fail(Place(place, "type"),
                        "expected one of UInt8, UInt16, UInt32, ULong64, Int8, Int16, Int32, "
                        "Long64, Float32, Float64, String, Version");
        }
        if (value.find("value") == value.end()) {
            return fail(place, "the typed parameter has no \"value\"");
        }
    } else if (!naturalTypeOf(id.getCategory(), typeCode)) {
        return fail(place,
                    "this ID has no natural value type; write it as {\"type\": ..., "
                    "\"value\": ...}");
    }
    std::string name;
    if (!nameOf(id, value, place, name)) {
        return false;
    }
    Param::Value converted;
    std::string problem;
    if (!convertJsonValue(typed ? value["value"] : value, typeCode, converted, problem)) {
        return fail(typed ? Place(place, "value") : place, problem);
    }
    std::string unit;
    bool hasUnit = false;
    bool modifiable = false;
    uint64_t relevance = 0;
    if (typed) {
        const auto unitValue = value.find("unit");
        const auto modifiableValue = value.find("modifiable");
        const auto relevanceValue = value.find("relevance");
        if (unitValue != value.end()) {
            if (!unitValue->is_string()) {
                return fail(Place(place, "unit"), "expected a text");
            }
            unit = unitValue->get<std::string>();
            hasUnit = true;
        }
        if (modifiableValue != value.end()) {
            if (!modifiableValue->is_boolean()) {
                return fail(Place(place, "modifiable"), "expected true or false");
            }
            modifiable = modifiableValue->get<bool>();
        }
        if (relevanceValue != value.end() &&
            !(relevanceValue->is_number_unsigned() &&
              (relevance = relevanceValue->get<uint64_t>()) <= 0xFFFFFFFFu)) {
            return fail(Place(place, "relevance"), "expected an unsigned 32-bit number");
        }
    }
    if (item.makeParameter(scratch_, id, name.c_str(), std::move(converted),
                           hasUnit ? unit.c_str() : nullptr, modifiable,
                           static_cast<uint32_t>(relevance)) == nullptr) {
        return fail(place, "out of memory");
    }
    return true;
}

}  // namespace

bool parameterIdOf(const std::string& key, VkCInventoryAddress& id) {
    return parseInventoryId(key, id);
}

std::unique_ptr<VkCInventoryItem> buildInventoryTree(const Json& items, const std::string& origin,
                                                     const std::string& place, std::string& error) {
    VkCErrorListPool scratch;
    auto root = std::make_unique<VkCInventoryItem>(scratch, VkNInventoryIDs::ROOT, "ROOT");
    TreeBuilder builder(origin);
    if (!builder.addItems(items, Place(place), *root)) {
        error = builder.error();
        return nullptr;
    }
    return root;
}

}  // namespace vksim
