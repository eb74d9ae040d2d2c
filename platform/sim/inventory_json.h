#pragma once
#include <memory>
#include <string>

#include "VkCInventoryItem.h"
#include "sim/json_file.h"

// The JSON form of an inventory tree, shared by target.json ("inventory") and the
// ".vkinventory" section of ELF images: an array of items, each
//   {"id": "HCN", "descr": "...", "params": {...}, "items": [...]}
// where "descr" names items with a non-predefined numeric ID, and "params" maps parameter
// IDs to values, briefly by the ID's natural type ("SERIAL_NUMBER": 4711) or typed
// ({"type": "UInt16", "value": 5, "descr": "...", "unit": "...", "modifiable": false,
// "relevance": 0}). An item may also carry "updateInfoFrom": "5.0", which only a reset of the
// target reads; the tree does not show it.
namespace vksim {

// Builds a tree whose root is a ROOT item holding the items of the array. On failure the
// result is null and error names origin and the place: "<origin>: inventory[0].params.SLOT:
// expected ...". place is the JSON path of the array ("inventory").
VK_PLATFORM_API std::unique_ptr<VkCInventoryItem> buildInventoryTree(const Json& items,
                                                                     const std::string& origin,
                                                                     const std::string& place,
                                                                     std::string& error);

// The parameter ID of a "params" key; false when the key is no inventory ID.
bool parameterIdOf(const std::string& key, VkCInventoryAddress& id);

}  // namespace vksim
