#include "description/value_conversion.h"

#include <limits>

#include "VkNInventoryIDs.h"
#include "VkTalveronUpdateLib.h"
#include "number_conversion.h"
#include "os/VkOs.h"
#include "reporting/console.h"

namespace {

using Parameter = VkCInventoryParameter;

struct TypeName {
    std::string_view name;
    uint16_t code;
};

const TypeName kTypeNames[] = {
    {"UInt8", Parameter::TypeUInt8},     {"UInt16", Parameter::TypeUInt16},
    {"UInt32", Parameter::TypeUInt32},   {"ULong64", Parameter::TypeULong64},
    {"Int8", Parameter::TypeInt8},       {"Int16", Parameter::TypeInt16},
    {"Int32", Parameter::TypeInt32},     {"Long64", Parameter::TypeLong64},
    {"Float32", Parameter::TypeFloat32}, {"Float64", Parameter::TypeFloat64},
    {"String", Parameter::TypeString},   {"Version", Parameter::TypeVersion},
};

template <typename T>
ConversionResult convertUnsigned(const char* text, Parameter::Value& value) {
    uint64_t number = 0;
    if (!parseUnsignedNumber(text, std::numeric_limits<T>::max(), number)) {
        return ConversionResult::Rejected;
    }
    value.emplace<T>(T(number));
    return ConversionResult::Converted;
}

template <typename T>
ConversionResult convertSigned(const char* text, Parameter::Value& value) {
    int64_t number = 0;
    if (!parseSignedNumber(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
                           number)) {
        return ConversionResult::Rejected;
    }
    value.emplace<T>(T(number));
    return ConversionResult::Converted;
}

ConversionResult convertFloat32(const char* text, Parameter::Value& value) {
    float number = 0;
    if (!parseFloatValue(text, number)) {
        return ConversionResult::Rejected;
    }
    value.emplace<float>(number);
    return ConversionResult::Converted;
}

ConversionResult convertFloat64(const char* text, Parameter::Value& value) {
    double number = 0;
    if (!parseDoubleValue(text, number)) {
        return ConversionResult::Rejected;
    }
    value.emplace<double>(number);
    return ConversionResult::Converted;
}

ConversionResult convertVersion(const char* text, Parameter::Value& value) {
    VkCVersion version;
    if (!version.setByString(text)) {
        return ConversionResult::Rejected;
    }
    value.emplace<VkCVersion>(version);
    return ConversionResult::Converted;
}

}  // namespace

uint16_t typeCodeFromName(std::string_view name) {
    for (const TypeName& type : kTypeNames) {
        if (type.name == name) {
            return type.code;
        }
    }
    return 0;
}

const char* typeNameOf(uint16_t typeCode) {
    for (const TypeName& type : kTypeNames) {
        if (type.code == typeCode) {
            return type.name.data();  // the names are literals, terminated
        }
    }
    return nullptr;
}

ConversionResult convertValue(uint16_t typeCode, const char* text, Parameter::Value& value) {
    switch (typeCode) {
        case Parameter::TypeUInt8:
            return convertUnsigned<uint8_t>(text, value);
        case Parameter::TypeUInt16:
            return convertUnsigned<uint16_t>(text, value);
        case Parameter::TypeUInt32:
            return convertUnsigned<uint32_t>(text, value);
        case Parameter::TypeULong64:
            return convertUnsigned<uint64_t>(text, value);
        case Parameter::TypeInt8:
            return convertSigned<int8_t>(text, value);
        case Parameter::TypeInt16:
            return convertSigned<int16_t>(text, value);
        case Parameter::TypeInt32:
            return convertSigned<int32_t>(text, value);
        case Parameter::TypeLong64:
            return convertSigned<int64_t>(text, value);
        case Parameter::TypeFloat32:
            return convertFloat32(text, value);
        case Parameter::TypeFloat64:
            return convertFloat64(text, value);
        case Parameter::TypeString:
            value.emplace<VkCString>(text);
            return ConversionResult::Converted;
        case Parameter::TypeVersion:
            return convertVersion(text, value);
        default:
            return ConversionResult::UnknownType;
    }
}

namespace {

// The category of an ID that names a category with index 1, or kNone.
constexpr uint32_t kNone = UINT32_MAX;

uint32_t plainCategoryOf(const VkCInventoryAddress& id) {
    const auto& elements = id.elements();
    return elements.size() == 1 && elements[0].index == 1 ? elements[0].category : kNone;
}

}  // namespace

EntryValues::EntryValues(VkCErrorListPool& errors, const VkCInventoryItem& entry)
    : errors_(errors), entry_(entry) {
    for (const auto& parameter : entry.parameters()) {
        const uint32_t category = plainCategoryOf(parameter->getID());
        if (category < kDirectCategories && byCategory_[category] == nullptr) {
            byCategory_[category] = parameter.get();
        }
    }
}

const VkCInventoryParameter* EntryValues::find(const VkCInventoryAddress& id) const {
    const uint32_t category = plainCategoryOf(id);
    if (category < kDirectCategories) {
        return byCategory_[category];
    }
    return entry_.getParameter(id);
}

void requireContainerVersion(VkCErrorListPool& errors, const VkCInventoryItem& root) {
    const VkCInventoryAddress versionAddress = VkNInventoryIDs::INFO / VkNInventoryIDs::VERSION;
    if (root.getParameter(versionAddress) != nullptr) {
        VkCVersion containerVersion;
        root.getValue(errors, versionAddress, containerVersion);
        if (!(containerVersion != GetLibVersion())) {
            return;
        }
    }
    reportMessage(
        L"ERROR: This firmware cannot be processed by this version of the update tool.\n"
        L"       Please do not mix firmware and tools from different Velkor releases.\n"
        L"       Firmware and required update tools must be consistent.\n");
    VkOs::exitProcess(1);
}
