// The platform's text conversions: number texts of inventories, the whole text or nothing;
// inventory IDs (predefined names and numbers, with an index in brackets or after a dot); and
// UTF-8 to wide text and back, with U+FFFD for what cannot be converted.
#include "inventory_id.h"
#include "number_conversion.h"
#include "utf8_conversion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "VkNInventoryIDs.h"

namespace {

// kind: 'u' unsigned up to 2^bits - 1, 's' signed in bits, 'd' double, 'f' float. Leading
// blanks are skipped, trailing ones are not; a leading 0 is octal; "-" is never unsigned; a
// range error refuses a double, a value outside the single precision range a float (also
// strtod's own NaN); the decimal point does not follow the process locale; the special texts
// of infinities and NaNs are found anywhere in the text.
struct Case {
    char kind;
    int bits;
    const char* text;
    const char* expected;  // the value printed; "=": the text; "!": refused and left alone
};

// clang-format off
const Case kCases[] = {
    {'u', 8, "255", "="}, {'u', 64, " 7", "7"}, {'u', 64, "0x", "!"}, {'u', 8, "256", "!"},
    {'u', 8, "0XfF", "255"}, {'u', 64, "010", "8"}, {'u', 64, "08", "!"}, {'u', 64, "+0x10", "16"},
    {'u', 64, "-0", "!"}, {'u', 64, "7 ", "!"}, {'u', 32, "4294967296", "!"},
    {'u', 64, "0xFFFFFFFFFFFFFFFF", "18446744073709551615"},
    {'s', 8, "-128", "="}, {'s', 8, "-129", "!"}, {'s', 64, "-", "!"}, {'s', 64, "--1", "!"},
    {'s', 64, "0x8000000000000000", "!"}, {'s', 8, "-0x80", "-128"},
    {'s', 64, "-0x8000000000000000", "-9223372036854775808"},
    {'s', 64, "99999999999999999999", "!"},
    {'d', 0, "-2.5e-1", "-0.25"}, {'d', 0, "1e400", "!"}, {'d', 0, "2,5", "!"},
    {'d', 0, "2.5 ", "!"}, {'d', 0, "-inf", "="}, {'d', 0, "xinfx", "inf"},
    {'d', 0, "1.#QNAN", "nan"}, {'d', 0, "-nan", "-nan"},
    {'f', 0, "-0x1.fffffep127", "-3.40282347e+38"}, {'f', 0, "3.40282347e38", "!"},
    {'f', 0, "-nan", "="}, {'f', 0, "NAN", "!"},
};
// clang-format on

// Converts c.text as its kind says: the value printed, after "! " when refused.
std::string convert(const Case& c) {
    char printed[64];
    bool accepted = false;
    if (c.kind == 'u') {
        uint64_t value = 12345;
        const uint64_t max = c.bits == 64 ? ~uint64_t(0) : (uint64_t(1) << c.bits) - 1;
        accepted = parseUnsignedNumber(c.text, max, value);
        std::snprintf(printed, sizeof printed, "%llu", (unsigned long long)value);
    } else if (c.kind == 's') {
        int64_t value = 12345;
        const int64_t max = int64_t((uint64_t(1) << (c.bits - 1)) - 1);
        accepted = parseSignedNumber(c.text, -max - 1, max, value);
        std::snprintf(printed, sizeof printed, "%lld", (long long)value);
    } else if (c.kind == 'd') {
        double value = 42;
        accepted = parseDoubleValue(c.text, value);
        std::snprintf(printed, sizeof printed, "%.17g", value);
    } else {
        float value = 42;
        accepted = parseFloatValue(c.text, value);
        std::snprintf(printed, sizeof printed, "%.9g", double(value));
    }
    return (accepted ? "" : "! ") + std::string(printed);
}

TEST(NumberConversion, ConvertsTheWholeTextOrRefuses) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(1, c.kind) + std::to_string(c.bits) + " \"" + c.text + "\"");
        const std::string expected = c.expected;
        const char* unchanged = c.kind == 'u' || c.kind == 's' ? "! 12345" : "! 42";
        EXPECT_EQ(convert(c), expected == "=" ? c.text : expected == "!" ? unchanged : expected);
    }
}

using namespace VkNInventoryIDs;

struct IdCase {
    const char* text;
    uint32_t category;  // 0: refused, the address left alone
    uint32_t index;
};

// clang-format off
const IdCase kIds[] = {
    {"FIRMWARE[2]", Category_FIRMWARE, 2}, {"FIRMWARE.0x10", Category_FIRMWARE, 16},
    {"VERSION[4294967295]", Category_VERSION, 4294967295u}, {"1000.0", 1000, 0}, {"0x10[7]", 16, 7},
    {"4294967295", 4294967295u, 1}, {"FIRMWARE[4294967296]", 0, 0}, {"FIRMWARE[]", 0, 0},
    {"FIRMWARE[2", 0, 0}, {"FIRMWARE.", 0, 0}, {"FIRMWARE[2]x", 0, 0}, {"[5]", 0, 0},
    {"FIRMWARE.2.3", 0, 0}, {"FIRMWARE[-1]", 0, 0},
    {"Firmware", 0, 0},  // names are case-sensitive
    {"0", 0, 0}, {"4294967296", 0, 0}, {"", 0, 0}, {"NO_SUCH_NAME", 0, 0},
};
// clang-format on

TEST(InventoryId, ParsesOrRefuses) {
    PredefinedIdTable table;  // one table for every case: a refused name leaves it usable
    for (const IdCase& c : kIds) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        VkCInventoryAddress address(99, 99);
        EXPECT_EQ(parseInventoryId(table, c.text, address), c.category != 0);
        EXPECT_EQ(address, c.category != 0 ? VkCInventoryAddress(c.category, c.index)
                                           : VkCInventoryAddress(99, 99));
    }
    // Every name of the inventory library's map gives its own category.
    for (uint32_t i = 1; i < Map.getCount(); ++i) {
        uint32_t category = 0;
        EXPECT_TRUE(lookupPredefinedId(table, Map.get(i), category)) << Map.get(i);
        EXPECT_EQ(category, i) << Map.get(i);
    }
}

TEST(Utf8Conversion, DecodesAndEncodesReplacingWhatIsInvalid) {
    const std::wstring bad(1, static_cast<wchar_t>(0xFFFD));
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L""},
        {"fw/release", L"fw/release"},
        {"\xE2\x82\xAC", L"\u20ac"},
        {"\xF0\x9F\x94\xA7", std::wstring(1, static_cast<wchar_t>(0x1F527))},
        {"a\xFF|", L"a" + bad + L"|"},
        {"\xC3", bad},                                // cut short at the end
        {"\xC3|", bad + L"|"},                        // no continuation byte
        {"\xC0\xAF", bad + bad},                      // overlong: each byte on its own
        {"\xE0\x80\xAF", bad + bad + bad},            // overlong three bytes
        {"\xED\xA0\x80", bad + bad + bad},            // surrogate
        {"\xF4\x90\x80\x80", bad + bad + bad + bad},  // beyond U+10FFFF
        {"\x80", bad},                                // lone continuation byte
    };
    for (const auto& [utf8, expected] : cases) {
        EXPECT_EQ(utf8ToWide(utf8), expected) << utf8;
    }
    const std::wstring unencodable{static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)};
    EXPECT_EQ(wideToUtf8(L"fw/\u20ac" + unencodable), "fw/\xE2\x82\xAC\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(wideToUtf8(std::wstring(1, static_cast<wchar_t>(0x1F527))), "\xF0\x9F\x94\xA7");
}

}  // namespace
