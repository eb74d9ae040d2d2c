#pragma once
#include <cstdint>
#include <string>

#include "VkCInventoryItem.h"
#include "sim/json_file.h"

// Typed parameter values of the JSON inventory form: the natural value type of the
// predefined parameter IDs, the type names of the typed form and the conversion of values.
namespace vksim {

// The natural type code of a predefined parameter category (VERSION is a version,
// SERIAL_NUMBER an unsigned 32-bit number, ...). False for categories without one.
bool naturalTypeOf(uint32_t category, uint16_t& typeCode);

// "UInt8", "Int32", "Float64", "String", "Version", ... to the type code and back.
bool typeCodeFromName(const std::string& name, uint16_t& typeCode);
const char* typeNameOf(uint16_t typeCode);

// Converts a JSON value to a parameter value of the given type. Numbers may be JSON numbers
// or texts in the inventory number syntax ("0x2000F"). On failure problem says what was
// expected.
bool convertJsonValue(const Json& value, uint16_t typeCode, VkCInventoryParameter::Value& out,
                      std::string& problem);

// The JSON form of a parameter value (numbers as numbers, versions and texts as text).
Json jsonFromValue(const VkCInventoryParameter::Value& value);

}  // namespace vksim
