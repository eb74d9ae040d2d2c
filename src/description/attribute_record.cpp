#include <xercesc/util/XMLUni.hpp>

#include <string>

#include "description/reader_context.h"
#include "description/value_conversion.h"
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
