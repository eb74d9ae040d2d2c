// Formatting: the conversions of the messages, narrow and wide texts,
// bounded formatting that never overruns, and wide to narrow text.
#include <gtest/gtest.h>

#include <string>

#include "reporting/format.h"

namespace {

TEST(FormatTest, WideFormatsFollowTheMessageConventions) {
    const char* narrow = "VK7101";
    const wchar_t* wide = L"fw/io_board.bit";
    const struct {
        std::wstring actual;
        std::wstring expected;
    } cases[] = {
        {formatWide(L"%hs|%s|%ls|%ws", narrow, wide, wide, wide),
         L"VK7101|fw/io_board.bit|fw/io_board.bit|fw/io_board.bit"},
        {formatWide(L"%-56.56hs|", "12% -"),
         L"12% -                                                   |"},
        {formatWide(L"%-56.56hs", std::string(60, 'x').c_str()), std::wstring(56, L'x')},
        {formatWide(L"%*s|", 8, L""), L"        |"},
        {formatWide(L"%*s|", -4, L"ab"), L"ab  |"},
        {formatWide(L"%-*s|", 6, L"ab"), L"ab    |"},
        {formatWide(L"%#x %#x %#X", 0u, 42u, 255u), L"0 0x2a 0XFF"},
        {formatWide(L"%I64u", 18446744073709551615ULL), L"18446744073709551615"},
        {formatWide(L"%llu %lld", 1ULL << 40, -5LL), L"1099511627776 -5"},
        {formatWide(L"%02d|%5d|%-5d|%+d|% d|%05d", 3, 42, 42, 7, 7, -42),
         L"03|   42|42   |+7| 7|-0042"},
        {formatWide(L"%u %i %o %#o %X", 4294967295u, -1, 8u, 8u, 0xABCu),
         L"4294967295 -1 10 010 ABC"},
        {formatWide(L"%.3d|%.0d|%8.3u|", 7, 0, 5u), L"007||     005|"},
        {formatWide(L"%c%hc%%", L'\u00e9', 'A'), L"\u00e9A%"},
        {formatWide(L"%.3s|%10.2hs|", L"abcdef", "xyz"), L"abc|        xy|"},
        {formatWide(L"%hu %hhu %zu", 70000u, 300u, size_t{9}), L"4464 44 9"},
        {formatWide(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
        {formatWide(L"tail %", 1), L"tail %"},
        {formatWide(L"%q", 1), L"%q"},
        {formatWide(L"%hs", "gr\xc3\xbc\xc3\x9f"), L"gr\u00fc\u00df"},
        {formatWide(L"%p", static_cast<void*>(nullptr)), L"0x0"},
        {formatWide(L"%hs", "%s%n%p"), L"%s%n%p"},  // caller text is never a format
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(FormatTest, NarrowFormatsTakeNarrowTextForPercentS) {
    EXPECT_EQ(formatNarrowText("%s:%I64u:%I64u: error: %s\n", "doc.xml", 12ULL, 7ULL, "bad"),
              "doc.xml:12:7: error: bad\n");
    EXPECT_EQ(formatNarrowText("%*s%s, SN: %u: %hs", 8, "", "VK7101", 4711u, "Firmware"),
              "        VK7101, SN: 4711: Firmware");
    EXPECT_EQ(formatNarrowText("%ls|%ws", L"d\u00e9j\u00e0", L"x"), "d\xc3\xa9j\xc3\xa0|x");
    EXPECT_EQ(formatNarrowText("%u%% %s         ", 42u, "\\"), "42% \\         ");
    // Width and precision count characters, not bytes.
    EXPECT_EQ(formatNarrowText("%-4s|%.1s|", "\xc3\xa9", "\xc3\xa9\xc3\xa9"),
              "\xc3\xa9   |\xc3\xa9|");
}

TEST(FormatTest, BoundedFormattingCutsAndNeverOverruns) {
    const std::string huge(5000, 'a');
    wchar_t buffer[2048 + 8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    const int written = formatMessage(buffer, 2048, L"[%hs]", huge.c_str());
    EXPECT_EQ(written, 2047);
    EXPECT_EQ(buffer[0], L'[');
    EXPECT_EQ(buffer[2046], L'a');
    EXPECT_EQ(buffer[2047], L'\0');
    EXPECT_EQ(std::wstring(buffer + 2048, 8), std::wstring(8, L'#'));
    EXPECT_EQ(formatMessage(buffer, 0, L"x"), -1);
    EXPECT_EQ(formatMessage(nullptr, 10, L"x"), -1);
    EXPECT_EQ(formatMessage(buffer, 1, L"xyz"), 0);
    EXPECT_EQ(buffer[0], L'\0');

    char narrow[100];
    EXPECT_EQ(formatNarrow(narrow, sizeof narrow, "%u%% %s", 7u, huge.c_str()), 99);
    EXPECT_EQ(std::string(narrow).size(), 99u);
    // A cut never splits a UTF-8 sequence.
    char tiny[4];
    EXPECT_EQ(formatNarrow(tiny, sizeof tiny, "ab\xc3\xa9"), 2);
    EXPECT_STREQ(tiny, "ab");
}

TEST(FormatTest, TextConversions) {
    EXPECT_TRUE(toNarrow(L"").isEmpty());
    EXPECT_TRUE(toNarrow(nullptr).isEmpty());
    EXPECT_STREQ(toNarrow(L"Stra\u00dfe \u65e5\u672c \U0001F600").c_str(),
                 "Stra\xc3\x9f"
                 "e \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80");
    // What cannot be encoded is replaced, not dropped.
    const wchar_t unencodable[] = {L'a', static_cast<wchar_t>(0xD800), L'b',
                                   static_cast<wchar_t>(0x110000), 0};
    EXPECT_STREQ(toNarrow(unencodable).c_str(),
                 "a\xef\xbf\xbd"
                 "b\xef\xbf\xbd");
}

}  // namespace
