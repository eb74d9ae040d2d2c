#pragma once
#include <cstdint>
#include <vector>

#include "VkCInventoryAddress.h"
#include "sim/json_file.h"

// Items and parameters of the inventory in a target.json document, found by their IDs in any
// spelling the document allows ("ION[2]", "ION.2"; brief or typed parameters). Changes keep
// the written form of what they do not touch.
namespace vksim {

using InventoryElement = VkCInventoryAddress::Element;

// The item of an array of items with the ID element; null when there is none.
Json* findItem(Json& items, const InventoryElement& element);
// The sub-item of parent with the ID element; added ({"id": ...}) when missing.
Json& findOrAddItem(Json& parent, const InventoryElement& element);
// The item at path from the top level of doc's inventory; it and the items on the way are
// added when missing. path must not be empty.
Json& findOrAddInventoryItem(Json& doc, const std::vector<InventoryElement>& path);

// The value of a parameter of item (index 1), brief or typed; null Json when absent.
Json parameterValue(const Json& item, uint32_t category);
// Sets the value of a parameter of item (index 1), keeping a typed parameter typed.
void setParameter(Json& item, uint32_t category, const Json& value);

}  // namespace vksim
