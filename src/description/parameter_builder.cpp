#include <string>
#include <variant>

#include "VkCErrorList.h"
#include "description/reader_context.h"
#include "description/value_conversion.h"

namespace {

// Prints why the value text does not convert and aborts.
void rejectValue(ReaderContext& context, ConversionResult result, uint16_t typeCode,
                 const std::string& text) {
    if (result == ConversionResult::UnknownType) {
        context.failFatally("Unknown type specified for this parameter!");
    } else if (typeCode == VkCInventoryParameter::TypeVersion) {
        context.fail("Invalid value specified for version parameter.");
    } else {
        context.fail(std::string("Invalid ") + typeNameOf(typeCode) +
                     " value specified for this parameter: " + quoted(text));
    }
}

// Whether the item has a parameter with the ID: getParameter for a one-element address,
// without building a path.
bool hasParameter(const VkCInventoryItem& item, const VkCInventoryAddress& id) {
    for (const auto& parameter : item.parameters()) {
        if (parameter->getID() == id) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool addParameterToItem(ReaderContext& context) {
    const AttributeRecord& attributes = context.parameterAttributes;
    const ParameterContent& content = context.parameterContent;
    if (!content.valueDefined) {
        context.fail("You must specify a value for a parameter!");
        return false;
    }
    const char* categoryName = categoryNameOf(attributes.address);
    const char* name = *categoryName != '\0' ? categoryName : attributes.descriptor.c_str();
    if (hasParameter(*context.currentItem, attributes.address)) {
        context.fail("Item already has a parameter with ID " +
                     quoted(attributes.address.toString().str()));
        return false;
    }
    VkCInventoryParameter::Value value;
    const ConversionResult result =
        convertValue(attributes.typeCode, content.valueText.c_str(), value);
    if (result != ConversionResult::Converted) {
        rejectValue(context, result, attributes.typeCode, content.valueText);
        return false;
    }
    VkCErrorListPool& errors = *VkCErrorManager::getInstance().getMasterErrorList();
    const uint32_t errorsBefore = errors.getErrorCount();
    const VkCInventoryParameter* parameter = context.currentItem->makeParameter(
        errors, attributes.address, name, std::move(value),
        content.unitDefined ? content.unitText.c_str() : nullptr, content.modifiable,
        content.relevanceDefined ? content.relevance : 0);
    if (errors.getErrorCount() != errorsBefore) {
        context.failFatally("Could not add parameter to inventory tree!");
        return false;
    }
    if (parameter == nullptr) {
        context.failFatally("Could not create parameter object!");
        return false;
    }
    return true;
}
