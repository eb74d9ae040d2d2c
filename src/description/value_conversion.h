#pragma once
// The values of a description: the texts of "VALUE" elements converted to their parameter
// types, the values of a catalogue entry read from its parameters, and the container version.
#include <array>
#include <cstdint>
#include <string_view>
#include <variant>

#include "VkCErrorList.h"
#include "VkCInventoryAddress.h"
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

// The values of one description entry, read as the inventory library's getValue reads them.
// The entry's parameters are gathered once, so that a present value of the asked type is taken
// straight from its parameter; an absent value or one of another type goes through getValue,
// which gives its result and enters its error in the pool.
class EntryValues {
  public:
    EntryValues(VkCErrorListPool& errors, const VkCInventoryItem& entry);

    // A value the entry must have.
    template <typename T>
    void read(const VkCInventoryAddress& id, T& target) const {
        if (const VkCInventoryParameter* parameter = find(id)) {
            if (const T* value = std::get_if<T>(&parameter->getValue())) {
                target = *value;
                return;
            }
        }
        entry_.getValue(errors_, id, target);
    }

    // A value the entry may have: target keeps its default when the entry lacks it.
    template <typename T>
    void readOptional(const VkCInventoryAddress& id, T& target) const {
        if (find(id) != nullptr) {
            read(id, target);
        }
    }

  private:
    static constexpr uint32_t kDirectCategories = 128;

    // getParameter for the entry's own parameters.
    const VkCInventoryParameter* find(const VkCInventoryAddress& id) const;

    VkCErrorListPool& errors_;
    const VkCInventoryItem& entry_;
    // Parameters with one-element IDs of index 1 (how predefined IDs look), by category.
    std::array<const VkCInventoryParameter*, kDirectCategories> byCategory_{};
};

// Accepts only a description whose INFO / VERSION equals the library's version in every
// component; otherwise reports why and ends the process with status 1.
void requireContainerVersion(VkCErrorListPool& errors, const VkCInventoryItem& root);
