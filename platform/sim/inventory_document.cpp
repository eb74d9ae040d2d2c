#include "sim/inventory_document.h"

#include "VkNInventoryIDs.h"
#include "sim/inventory_json.h"
#include "sim/sim_text.h"

namespace vksim {

namespace {

namespace Ids = VkNInventoryIDs;

bool idIs(const Json& item, const InventoryElement& element) {
    VkCInventoryAddress id;
    const auto text = item.find("id");
    return text != item.end() && text->is_string() &&
           parseInventoryId(text->get<std::string>(), id) && id.getCategory() == element.category &&
           id.getIndex() == element.index;
}

Json& findOrAddItemIn(Json& items, const InventoryElement& element) {
    if (Json* found = findItem(items, element)) {
        return *found;
    }
    Json item = Json::object();
    item["id"] = formatInventoryId(element.category, element.index);
    // An item with a non-predefined ID needs a description, or target.json no longer loads.
    if (Ids::Map.get(element.category) == nullptr) {
        item["descr"] = item["id"];
    }
    items.push_back(item);
    return items.back();
}

// The key of params that names the parameter category, or empty.
std::string parameterKey(const Json& item, uint32_t category) {
    const auto params = item.find("params");
    if (params == item.end() || !params->is_object()) {
        return "";
    }
    for (auto it = params->begin(); it != params->end(); ++it) {
        VkCInventoryAddress id;
        if (parameterIdOf(it.key(), id) && id.getCategory() == category && id.getIndex() == 1) {
            return it.key();
        }
    }
    return "";
}

}  // namespace

Json* findItem(Json& items, const InventoryElement& element) {
    if (!items.is_array()) {
        return nullptr;
    }
    for (Json& item : items) {
        if (item.is_object() && idIs(item, element)) {
            return &item;
        }
    }
    return nullptr;
}

Json& findOrAddItem(Json& parent, const InventoryElement& element) {
    return findOrAddItemIn(parent["items"], element);
}

Json& findOrAddInventoryItem(Json& doc, const std::vector<InventoryElement>& path) {
    Json* item = &findOrAddItemIn(doc["inventory"], path.front());
    for (size_t i = 1; i < path.size(); ++i) {
        item = &findOrAddItem(*item, path[i]);
    }
    return *item;
}

Json parameterValue(const Json& item, uint32_t category) {
    const std::string key = parameterKey(item, category);
    if (key.empty()) {
        return Json();
    }
    const Json& value = item["params"][key];
    return value.is_object() ? value.value("value", Json()) : value;
}

void setParameter(Json& item, uint32_t category, const Json& value) {
    const std::string key = parameterKey(item, category);
    if (key.empty()) {
        item["params"][Ids::Map.get(category)] = value;
        return;
    }
    Json& slot = item["params"][key];
    if (slot.is_object()) {
        slot["value"] = value;
    } else {
        slot = value;
    }
}

}  // namespace vksim
