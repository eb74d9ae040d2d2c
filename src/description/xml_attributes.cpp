// The reader's attributes and parameters: the attributes of an element read and checked, and
// the parameter of a closing "PARAM" element built and added to its item.
#include <xercesc/util/XMLUni.hpp>

#include <string>
#include <variant>

#include "VkCErrorList.h"
#include "description/value_conversion.h"
#include "description/xml_reader.h"
#include "description/xml_text.h"

namespace {

const std::string kGap(21, ' ');

// The value of attribute i as UTF-8, in the context's scratch text.
std::string_view attributeValue(ReaderContext& context, const xercesc::Attributes& attributes,
                                XMLSize_t i) {
    return xmlToUtf8View(attributes.getValue(i), context.attributeText);
}

bool parseDescriptor(ReaderContext& context, std::string_view value, AttributeRecord& record) {
    if (value.find_first_of("\t\n\r") != std::string_view::npos) {
        context.fail("Description string contains tabs or returns!");
        return false;
    }
    if (!value.empty() && value.front() == ' ') {
        context.warn("Description string contains leading blanks!");
    }
    if (!value.empty() && value.back() == ' ') {
        context.warn("Description string contains trailing blanks!");
    }
    record.descriptor = VkCString(value.data(), value.size());
    record.descriptorGiven = true;
    return true;
}

bool isCdata(const XMLCh* type) {
    // The parser names the type with its own constant; the comparison by text is the fallback.
    return type == xercesc::XMLUni::fgCDATAString || xmlEqualsAscii(type, "CDATA");
}

enum class AttributeName { Id, Descriptor, Type, Other };

// Every "PARAM" has two attributes, so the first letter picks the one name to compare with.
AttributeName attributeNameOf(const XMLCh* name) {
    if (name == nullptr) {
        return AttributeName::Other;
    }
    switch (name[0]) {
        case u'I':
            return name[1] == u'D' && name[2] == 0 ? AttributeName::Id : AttributeName::Other;
        case u'D':
            return xmlEqualsAscii(name, "Descr") ? AttributeName::Descriptor : AttributeName::Other;
        case u'T':
            return xmlEqualsAscii(name, "Type") ? AttributeName::Type : AttributeName::Other;
        default:
            return AttributeName::Other;
    }
}

bool parseId(ReaderContext& context, std::string_view value, AttributeRecord& record) {
    if (!parseInventoryId(context.predefinedIdTable, value, record.address)) {
        context.fail("Invalid ID " + quoted(std::string(value)) + ".");
        return false;
    }
    record.idGiven = true;
    return true;
}

bool parseType(ReaderContext& context, std::string_view value, AttributeRecord& record) {
    record.typeCode = typeCodeFromName(value);
    if (record.typeCode == 0) {
        context.fail("Invalid type: " + quoted(std::string(value)));
        return false;
    }
    record.typeGiven = true;
    return true;
}

bool parseAttribute(ReaderContext& context, const xercesc::Attributes& attributes, XMLSize_t i,
                    AttributeRecord& record) {
    if (!isCdata(attributes.getType(i))) {
        context.fail("Unexpected attribute type: " + quoted(xmlToUtf8(attributes.getType(i))));
        return false;
    }
    const XMLCh* name = attributes.getLocalName(i);
    switch (attributeNameOf(name)) {
        case AttributeName::Id:
            return parseId(context, attributeValue(context, attributes, i), record);
        case AttributeName::Descriptor:
            return parseDescriptor(context, attributeValue(context, attributes, i), record);
        case AttributeName::Type:
            return parseType(context, attributeValue(context, attributes, i), record);
        case AttributeName::Other:
            break;
    }
    context.warn("WARNING: Unknown attribute: " + quoted(xmlToUtf8(name)));
    return true;
}

bool isItemOrParameter(ReaderState state) {
    return state == InItem || state == InParam;
}

// The checks that hold for every element, by what its attributes give.
bool validateGivenAttributes(ReaderContext& context, const AttributeRecord& record,
                             const char* categoryName) {
    if (record.idGiven && !isItemOrParameter(context.state)) {
        context.fail("An ID may only be specified for an inventory" + kGap + "item or parameter!");
        return false;
    }
    if (record.descriptorGiven) {
        if (!isItemOrParameter(context.state)) {
            context.fail("A descriptor may only be specified for an inventory" + kGap +
                         "item or parameter!");
            return false;
        }
        if (*categoryName != '\0' && record.descriptor != categoryName) {
            context.warn("Using predefined ID. Descriptor is ignored!");
        }
    }
    if (record.typeGiven && context.state != InParam) {
        context.fail("A type may only be specified for an inventory" + kGap + "parameter!");
        return false;
    }
    return true;
}

bool validateItemAttributes(ReaderContext& context, const AttributeRecord& record,
                            const char* categoryName) {
    if (!record.idGiven) {
        context.fail("You must specify an ID (as attribute) for an inventory item!");
        return false;
    }
    if (!record.descriptorGiven && *categoryName == '\0') {
        context.fail(
            "You must specify a descriptor (as attribute) for an inventory item when using "
            "non-predefined ID!");
        return false;
    }
    return true;
}

bool validateParameterAttributes(ReaderContext& context, const AttributeRecord& record,
                                 const char* categoryName) {
    if (!record.idGiven) {
        context.fail("You must specify an ID (as attribute) for an inventory parameter!");
        return false;
    }
    if (!record.descriptorGiven && *categoryName == '\0') {
        context.fail(
            "You must specify a descriptor (as attribute) for an inventory parameter when "
            "using non-predefined ID!");
        return false;
    }
    if (!record.typeGiven) {
        context.fail("You must specify a type (as attribute) for an inventory parameter!");
        return false;
    }
    if (record.address.getIndex() != 1) {
        context.fail(
            "You cannot specify an index (i.e. ID=\"CATEGORY[INDEX]\") for an inventory "
            "parameter!");
        return false;
    }
    return true;
}

}  // namespace

bool parseAttributes(ReaderContext& context, const xercesc::Attributes& attributes,
                     AttributeRecord& record) {
    const XMLSize_t count = attributes.getLength();
    for (XMLSize_t i = 0; i < count; ++i) {
        if (!parseAttribute(context, attributes, i, record)) {
            return false;
        }
    }
    return true;
}

bool validateAttributes(ReaderContext& context, const AttributeRecord& record) {
    const char* categoryName = categoryNameOf(record.address);
    if (!validateGivenAttributes(context, record, categoryName)) {
        return false;
    }
    if (context.state == InItem) {
        return validateItemAttributes(context, record, categoryName);
    }
    if (context.state == InParam) {
        return validateParameterAttributes(context, record, categoryName);
    }
    return true;
}

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
