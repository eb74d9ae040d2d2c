#include "description/value_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Parameter = VkCInventoryParameter;
using Value = Parameter::Value;

struct TypeNameCase {
    const char* name;
    uint16_t code;
};

const TypeNameCase kTypeNames[] = {
    {"UInt8", 0x121},   {"UInt16", 0x122},  {"UInt32", 0x124},  {"ULong64", 0x128},
    {"Int8", 0x111},    {"Int16", 0x112},   {"Int32", 0x114},   {"Long64", 0x118},
    {"Float32", 0x214}, {"Float64", 0x218}, {"String", 0x2000}, {"Version", 0x4000},
};

TEST(TypeNames, MapBothWays) {
    for (const TypeNameCase& type : kTypeNames) {
        EXPECT_EQ(typeCodeFromName(type.name), type.code) << type.name;
        EXPECT_STREQ(typeNameOf(type.code), type.name);
    }
}

TEST(TypeNames, UnknownNamesAndCodes) {
    for (const char* name : {"", "uint8", "UINT8", "Int64", "Double", "UInt8 "}) {
        EXPECT_EQ(typeCodeFromName(name), 0) << '"' << name << '"';
    }
    EXPECT_EQ(typeNameOf(0), nullptr);
    EXPECT_EQ(typeNameOf(0x228), nullptr);
}

struct ValueCase {
    uint16_t type;
    const char* text;
    bool accepted;
    Value expected;
};

VkCVersion version(const char* text) {
    return VkCVersion(text);
}

const ValueCase kValueCases[] = {
    {Parameter::TypeUInt8, "255", true, Value(uint8_t(255))},
    {Parameter::TypeUInt8, "0xFF", true, Value(uint8_t(255))},
    {Parameter::TypeUInt8, "256", false, Value()},
    {Parameter::TypeUInt8, "-1", false, Value()},
    {Parameter::TypeUInt8, "", true, Value(uint8_t(0))},
    {Parameter::TypeUInt16, "65535", true, Value(uint16_t(65535))},
    {Parameter::TypeUInt16, "65536", false, Value()},
    {Parameter::TypeUInt16, "-1", false, Value()},
    {Parameter::TypeUInt32, "4294967295", true, Value(uint32_t(4294967295u))},
    {Parameter::TypeUInt32, "4294967296", false, Value()},
    {Parameter::TypeULong64, "18446744073709551615", true,
     Value(std::numeric_limits<uint64_t>::max())},
    {Parameter::TypeULong64, "18446744073709551616", false, Value()},
    {Parameter::TypeInt8, "-128", true, Value(int8_t(-128))},
    {Parameter::TypeInt8, "127", true, Value(int8_t(127))},
    {Parameter::TypeInt8, "128", false, Value()},
    {Parameter::TypeInt8, "", true, Value(int8_t(0))},
    {Parameter::TypeInt16, "-32768", true, Value(int16_t(-32768))},
    {Parameter::TypeInt16, "32768", false, Value()},
    {Parameter::TypeInt32, "-2147483648", true, Value(int32_t(-2147483647 - 1))},
    {Parameter::TypeInt32, "2147483648", false, Value()},
    {Parameter::TypeLong64, "-9223372036854775808", true,
     Value(std::numeric_limits<int64_t>::min())},
    {Parameter::TypeLong64, "9223372036854775808", false, Value()},
    {Parameter::TypeFloat32, "2.5", true, Value(2.5f)},
    {Parameter::TypeFloat32, "1e39", false, Value()},
    {Parameter::TypeFloat32, "inf", true, Value(std::numeric_limits<float>::infinity())},
    {Parameter::TypeFloat32, "", true, Value(0.0f)},
    {Parameter::TypeFloat64, "1e39", true, Value(1e39)},
    {Parameter::TypeFloat64, "inf", true, Value(std::numeric_limits<double>::infinity())},
    {Parameter::TypeFloat64, "", true, Value(0.0)},
    {Parameter::TypeString, "any text", true, Value(VkCString("any text"))},
    {Parameter::TypeString, "", true, Value(VkCString(""))},
    {Parameter::TypeString, "12abc", true, Value(VkCString("12abc"))},
    {Parameter::TypeVersion, "1.2.3", true, Value(version("1.2.3"))},
    {Parameter::TypeVersion, "1.x", false, Value()},
    {Parameter::TypeVersion, "", false, Value()},
};

class ValueConversionTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueConversionTest, ConvertsToTheTypesValue) {
    const ValueCase& c = GetParam();
    Value value;
    const ConversionResult result = convertValue(c.type, c.text, value);
    ASSERT_EQ(result, c.accepted ? ConversionResult::Converted : ConversionResult::Rejected)
        << typeNameOf(c.type) << " \"" << c.text << '"';
    if (c.accepted) {
        EXPECT_EQ(value.index(), c.expected.index()) << typeNameOf(c.type);
        EXPECT_TRUE(value == c.expected) << typeNameOf(c.type) << " \"" << c.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ValueConversionTest, testing::ValuesIn(kValueCases));

TEST(ValueConversion, TrailingGarbageIsRejectedByEveryNumericType) {
    for (const TypeNameCase& type : kTypeNames) {
        if (type.code == Parameter::TypeString) {
            continue;
        }
        Value value;
        EXPECT_EQ(convertValue(type.code, "12abc", value), ConversionResult::Rejected) << type.name;
    }
}

TEST(ValueConversion, TypeCodesOutsideTheTableAreUnknown) {
    for (uint16_t code : {uint16_t(0), uint16_t(0x120), uint16_t(0x999), uint16_t(0x8000)}) {
        Value value;
        EXPECT_EQ(convertValue(code, "1", value), ConversionResult::UnknownType) << code;
    }
}

TEST(ValueConversion, NanTextsKeepTheirSign) {
    Value value;
    ASSERT_EQ(convertValue(Parameter::TypeFloat64, "-nan", value), ConversionResult::Converted);
    EXPECT_TRUE(std::isnan(std::get<double>(value)));
    EXPECT_TRUE(std::signbit(std::get<double>(value)));
    ASSERT_EQ(convertValue(Parameter::TypeFloat32, "nan", value), ConversionResult::Converted);
    EXPECT_TRUE(std::isnan(std::get<float>(value)));
    EXPECT_FALSE(std::signbit(std::get<float>(value)));
}

}  // namespace
