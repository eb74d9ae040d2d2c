#pragma once
#include <cstdint>
#include <string_view>

#include "VkCInventoryItem.h"

// Parameter value types of the inventory XML format: the "Type" attribute names them, the
// reader keeps their 16-bit type codes.

// The type code of a "Type" value ("UInt8", "Float64", "Version", ...); 0 when unknown.
uint16_t typeCodeFromName(std::string_view name);
// The "Type" value of a type code; null for codes outside the table.
const char* typeNameOf(uint16_t typeCode);

enum class ConversionResult { Converted, Rejected, UnknownType };

// Converts the text of a "VALUE" element to the value type of typeCode, with its range check.
ConversionResult convertValue(uint16_t typeCode, const char* text,
                              VkCInventoryParameter::Value& value);
