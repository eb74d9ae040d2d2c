#include "utf8_conversion.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8ToWide, DecodesEverySequenceLength) {
    EXPECT_EQ(utf8ToWide(""), L"");
    EXPECT_EQ(utf8ToWide("fw/release"), L"fw/release");
    EXPECT_EQ(utf8ToWide("Gr\xC3\xBC\xC3\x9F"
                         "e"),
              L"Gr\u00fc\u00dfe");
    EXPECT_EQ(utf8ToWide("\xE2\x82\xAC"), L"\u20ac");
    EXPECT_EQ(utf8ToWide("\xF0\x9F\x94\xA7"), std::wstring(1, static_cast<wchar_t>(0x1F527)));
}

TEST(Utf8ToWide, ReplacesInvalidBytes) {
    const std::wstring replacement(1, static_cast<wchar_t>(0xFFFD));
    EXPECT_EQ(utf8ToWide("a\xFF"
                         "b"),
              L"a" + replacement + L"b");
    EXPECT_EQ(utf8ToWide("\xC3"), replacement);  // cut short at the end
    EXPECT_EQ(utf8ToWide("\xC3"
                         "A"),
              replacement + L"A");                                 // no continuation byte
    EXPECT_EQ(utf8ToWide("\xC0\xAF"), replacement + replacement);  // overlong lead
    EXPECT_EQ(utf8ToWide("\xE0\x80\xAF"), replacement);            // overlong three bytes
    EXPECT_EQ(utf8ToWide("\xED\xA0\x80"), replacement);            // surrogate
    EXPECT_EQ(utf8ToWide("\x80"), replacement);                    // lone continuation byte
}

}  // namespace
