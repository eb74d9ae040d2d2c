#include "number_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr uint64_t kU8 = 0xFF;
constexpr uint64_t kU32 = 0xFFFFFFFFu;
constexpr uint64_t kU64 = std::numeric_limits<uint64_t>::max();
constexpr int64_t kI64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t kI64Max = std::numeric_limits<int64_t>::max();

struct UnsignedCase {
    const char* text;
    uint64_t max;
    bool accepted;
    uint64_t value;
};

const UnsignedCase kUnsignedCases[] = {
    {"0", kU64, true, 0},
    {"", kU64, true, 0},  // the empty text converts to 0
    {"255", kU8, true, 255},
    {"256", kU8, false, 0},
    {"0xFF", kU8, true, 255},
    {"0XfF", kU8, true, 255},
    {"0x100", kU8, false, 0},
    {"010", kU64, true, 8},  // leading 0: octal
    {"08", kU64, false, 0},
    {"0", kU8, true, 0},
    {"+5", kU64, true, 5},
    {"+0x10", kU64, true, 16},
    {"++5", kU64, false, 0},
    {"-0", kU64, false, 0},
    {"-1", kU64, false, 0},
    {"5-", kU64, false, 0},
    {"0x-1", kU64, false, 0},
    {"0x", kU64, false, 0},
    {"+", kU64, false, 0},
    {" 7", kU64, true, 7},  // leading white space is skipped like _strtoui64 does
    {"7 ", kU64, false, 0},
    {" ", kU64, false, 0},
    {"12abc", kU64, false, 0},
    {"abc", kU64, false, 0},
    {"4294967295", kU32, true, 4294967295u},
    {"4294967296", kU32, false, 0},
    {"18446744073709551615", kU64, true, kU64},
    {"18446744073709551616", kU64, false, 0},  // overflow
    {"99999999999999999999999", kU64, false, 0},
    {"0xFFFFFFFFFFFFFFFF", kU64, true, kU64},
    {"0x10000000000000000", kU64, false, 0},
    {"01777777777777777777777", kU64, true, kU64},
    {"02000000000000000000000", kU64, false, 0},
};

class UnsignedNumberTest : public testing::TestWithParam<UnsignedCase> {};

TEST_P(UnsignedNumberTest, ConvertsOrRejects) {
    const UnsignedCase& c = GetParam();
    uint64_t value = 12345;
    EXPECT_EQ(parseUnsignedNumber(c.text, c.max, value), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(value, c.accepted ? c.value : 12345u) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, UnsignedNumberTest, testing::ValuesIn(kUnsignedCases));

struct SignedCase {
    const char* text;
    int64_t min;
    int64_t max;
    bool accepted;
    int64_t value;
};

const SignedCase kSignedCases[] = {
    {"-128", -128, 127, true, -128},
    {"-129", -128, 127, false, 0},
    {"127", -128, 127, true, 127},
    {"128", -128, 127, false, 0},
    {"-0x80", -128, 127, true, -128},
    {"-010", -128, 127, true, -8},
    {"+0x10", kI64Min, kI64Max, true, 16},
    {"", kI64Min, kI64Max, true, 0},
    {"-", kI64Min, kI64Max, false, 0},
    {"--1", kI64Min, kI64Max, false, 0},
    {"- 1", kI64Min, kI64Max, false, 0},
    {"1e3", kI64Min, kI64Max, false, 0},
    {"12abc", kI64Min, kI64Max, false, 0},
    {"9223372036854775807", kI64Min, kI64Max, true, kI64Max},
    {"9223372036854775808", kI64Min, kI64Max, false, 0},
    {"-9223372036854775808", kI64Min, kI64Max, true, kI64Min},
    {"-9223372036854775809", kI64Min, kI64Max, false, 0},
    {"-0x8000000000000000", kI64Min, kI64Max, true, kI64Min},
    {"18446744073709551616", kI64Min, kI64Max, false, 0},
    {"-2147483648", -2147483648LL, 2147483647LL, true, -2147483648LL},
    {"2147483648", -2147483648LL, 2147483647LL, false, 0},
};

class SignedNumberTest : public testing::TestWithParam<SignedCase> {};

TEST_P(SignedNumberTest, ConvertsOrRejects) {
    const SignedCase& c = GetParam();
    int64_t value = 12345;
    EXPECT_EQ(parseSignedNumber(c.text, c.min, c.max, value), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(value, c.accepted ? c.value : 12345) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, SignedNumberTest, testing::ValuesIn(kSignedCases));

uint64_t bitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

constexpr double kInf = std::numeric_limits<double>::infinity();

struct DoubleCase {
    const char* text;
    bool accepted;
    double value;  // compared by bit pattern
};

const DoubleCase kDoubleCases[] = {
    {"2.5", true, 2.5},
    {"-2.5e-3", true, -2.5e-3},
    {"", true, 0.0},
    {" 2", true, 2.0},
    {"0x1p3", true, 8.0},
    {"1e39", true, 1e39},
    {"1.7976931348623157e308", true, 1.7976931348623157e308},
    {"1e400", false, 0},   // overflow: range error
    {"1e-400", false, 0},  // underflow: range error
    {"12abc", false, 0},
    {"2,5", false, 0},  // the decimal point does not follow the process locale
    {"2.5 ", false, 0},
    {"inf", true, kInf},
    {"-inf", true, -kInf},
    {"1.#INF", true, kInf},
    {"-1.#INF", true, -kInf},
    {"xinfx", true, kInf},  // special texts are found anywhere in the text
};

class DoubleValueTest : public testing::TestWithParam<DoubleCase> {};

TEST_P(DoubleValueTest, ConvertsOrRejects) {
    const DoubleCase& c = GetParam();
    double value = 42.0;
    EXPECT_EQ(parseDoubleValue(c.text, value), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(bitsOf(value), bitsOf(c.accepted ? c.value : 42.0)) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, DoubleValueTest, testing::ValuesIn(kDoubleCases));

struct NanCase {
    const char* text;
    uint64_t bits;
};

const NanCase kNanCases[] = {
    {"nan", 0x7FF8000000000000ull},
    {"1.#QNAN", 0x7FF8000000000000ull},
    {"-nan", 0xFFF8000000000000ull},
    {"-1.#IND", 0xFFF8000000000000ull},
};

class NanTextTest : public testing::TestWithParam<NanCase> {};

TEST_P(NanTextTest, GivesTheQuietNanPattern) {
    double value = 0;
    ASSERT_TRUE(parseDoubleValue(GetParam().text, value));
    EXPECT_EQ(bitsOf(value), GetParam().bits);
    float single = 0;
    ASSERT_TRUE(parseFloatValue(GetParam().text, single));
    EXPECT_TRUE(std::isnan(single));
    EXPECT_EQ(std::signbit(single), (GetParam().bits >> 63) != 0);
}

INSTANTIATE_TEST_SUITE_P(Table, NanTextTest, testing::ValuesIn(kNanCases));

TEST(SpecialTextOrder, MinusInfinityIsTestedBeforeInfinity) {
    double value = 0;
    ASSERT_TRUE(parseDoubleValue("-inf", value));
    EXPECT_EQ(value, -kInf);
    ASSERT_TRUE(parseDoubleValue("-nan", value));
    EXPECT_TRUE(std::signbit(value));
}

struct FloatCase {
    const char* text;
    bool accepted;
    float value;
};

const FloatCase kFloatCases[] = {
    {"1.5", true, 1.5f},
    {"", true, 0.0f},
    {"3.4028234663852886e38", true, std::numeric_limits<float>::max()},
    {"-3.4028234663852886e38", true, -std::numeric_limits<float>::max()},
    {"3.40282347e38", false, 0},  // above the single precision limit by a little
    {"1e39", false, 0},
    {"-1e39", false, 0},
    {"inf", true, std::numeric_limits<float>::infinity()},
    {"-inf", true, -std::numeric_limits<float>::infinity()},
    {"NAN", false, 0},  // strtod's own NaN lies outside the range
    {"12abc", false, 0},
};

class FloatValueTest : public testing::TestWithParam<FloatCase> {};

TEST_P(FloatValueTest, ConvertsOrRejects) {
    const FloatCase& c = GetParam();
    float value = 42.0f;
    EXPECT_EQ(parseFloatValue(c.text, value), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(value, c.accepted ? c.value : 42.0f) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, FloatValueTest, testing::ValuesIn(kFloatCases));

}  // namespace
