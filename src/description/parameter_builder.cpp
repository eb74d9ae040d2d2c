#include <new>
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

// The parameter object for a converted value, made with the constructor of its value type;
// null when it cannot be made.
std::unique_ptr<VkCInventoryParameter> makeParameter(VkCErrorListPool& errors,
                                                     const VkCInventoryAddress& address,
                                                     const char* name,
                                                     const VkCInventoryParameter::Value& value,
                                                     const char* unit, bool modifiable,
                                                     uint32_t relevance) {
    return std::visit(
        [&](const auto& typed) {
            return std::unique_ptr<VkCInventoryParameter>(new (std::nothrow) VkCInventoryParameter(
                errors, address, name, typed, unit, modifiable, relevance));
        },
        value);
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
    std::unique_ptr<VkCInventoryParameter> parameter =
        makeParameter(errors, attributes.address, name, value,
                      content.unitDefined ? content.unitText.c_str() : nullptr, content.modifiable,
                      content.relevanceDefined ? content.relevance : 0);
    if (parameter == nullptr) {
        context.failFatally("Could not create parameter object!");
        return false;
    }
    const uint32_t errorsBefore = errors.getErrorCount();
    context.currentItem->addParameter(errors, VkCInventoryAddress(), parameter.release());
    if (errors.getErrorCount() != errorsBefore) {
        context.failFatally("Could not add parameter to inventory tree!");
        return false;
    }
    return true;
}
