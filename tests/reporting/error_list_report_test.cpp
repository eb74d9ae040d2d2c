#include <gtest/gtest.h>

#include <string>

#include "inventory/host_event_recorder.h"
#include "reporting/error_list_report.h"
#include "reporting/output_mode.h"

namespace {

using ErrorListReport = ConsoleOutputTest;

void addError(VkCErrorListPool& pool, uint32_t code, uint32_t origin, const std::string& text,
              uint32_t flags = 0) {
    VkCErrorList::Entry entry;
    entry.code = code;
    entry.originNode = origin;
    entry.text = text;
    entry.flags = flags;
    pool.addEntry(entry);
}

std::string printed(const VkCErrorListPool& pool) {
    testing::internal::CaptureStdout();
    reportErrorList(pool);
    return testing::internal::GetCapturedStdout();
}

const std::string kIndent(10, ' ');

TEST_F(ErrorListReport, EmptyPoolPrintsNothing) {
    VkCErrorListPool pool;
    EXPECT_EQ(printed(pool), "");
}

TEST_F(ErrorListReport, TwoEntriesAreSeparatedByAnEmptyLine) {
    VkCErrorListPool pool;
    addError(pool, 0x1400101, 0, "First problem.");
    addError(pool, 0x2A, 42, "Second problem.");
    EXPECT_EQ(printed(pool), "       ERROR 0x1400101 (reported by Host PC):\n" + kIndent +
                                 "First problem.\n" + "\n" +
                                 "       ERROR 0x2a (reported by S/N 42):\n" + kIndent +
                                 "Second problem.\n");
}

TEST_F(ErrorListReport, CodeZeroPrintsWithoutPrefix) {
    VkCErrorListPool pool;
    addError(pool, 0, 0, "");
    EXPECT_EQ(printed(pool), "       ERROR 0 (reported by Host PC):\n");
}

TEST_F(ErrorListReport, WarningEntriesArePrintedToo) {
    VkCErrorListPool pool;
    addError(pool, 7, 3, "A warning.", VkCErrorList::FlagWarning);
    EXPECT_EQ(printed(pool), "       ERROR 0x7 (reported by S/N 3):\n" + kIndent + "A warning.\n");
}

struct WrapCase {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
};

class WrapErrorText : public testing::TestWithParam<WrapCase> {};

TEST_P(WrapErrorText, BreaksAfterTheLastBlankWithin68Characters) {
    EXPECT_EQ(wrapErrorText(GetParam().text), GetParam().lines) << GetParam().name;
}

void PrintTo(const WrapCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string k68(68, 'a');
const std::string k60(60, 'b');

INSTANTIATE_TEST_SUITE_P(
    Texts, WrapErrorText,
    testing::Values(
        WrapCase{"empty", "", {}}, WrapCase{"short", "Short text.", {"Short text."}},
        WrapCase{"exactly 68", k68, {k68}}, WrapCase{"69 without blank", k68 + "z", {k68, "z"}},
        WrapCase{
            "blank at 60", k60 + " " + std::string(20, 'c'), {k60 + " ", std::string(20, 'c')}},
        WrapCase{"blank at 67 is kept at the end of the line",
                 std::string(67, 'd') + " " + "eee",
                 {std::string(67, 'd') + " ", "eee"}},
        WrapCase{"blank at 68 is not within the line", k68 + " fff", {k68, " fff"}},
        WrapCase{"last blank wins",
                 "one two " + std::string(65, 'g'),
                 {"one two ", std::string(65, 'g')}},
        WrapCase{"line ends become blanks", "line one\nline two\r\n", {"line one line two  "}},
        WrapCase{"137 characters cut twice",
                 std::string(137, 'h'),
                 {std::string(68, 'h'), std::string(68, 'h'), "h"}}));

TEST_F(ErrorListReport, WrappedLinesAreIndentedByTenBlanks) {
    VkCErrorListPool pool;
    addError(pool, 0x10, 0, k60 + " " + std::string(20, 'c'));
    EXPECT_EQ(printed(pool), "       ERROR 0x10 (reported by Host PC):\n" + kIndent + k60 + " \n" +
                                 kIndent + std::string(20, 'c') + "\n");
}

TEST_F(ErrorListReport, LineFeedsNeverStartANewLine) {
    VkCErrorListPool pool;
    addError(pool, 0x10, 0, "a\nb");
    EXPECT_EQ(printed(pool), "       ERROR 0x10 (reported by Host PC):\n" + kIndent + "a b\n");
}

TEST_F(ErrorListReport, HostModeSendsHeaderAndLinesButPrintsTheSeparator) {
    HostEventRecorder recorder;
    moduleState().outputToHost = true;
    VkCErrorListPool pool;
    addError(pool, 1, 0, "One.");
    addError(pool, 2, 5, "Two.");
    EXPECT_EQ(printed(pool), "\n");
    const auto& events = HostEventRecorder::events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].text, "       ERROR 0x1 (reported by Host PC):\n");
    EXPECT_EQ(events[1].text, kIndent + "One.\n");
    EXPECT_EQ(events[2].text, "       ERROR 0x2 (reported by S/N 5):\n");
    EXPECT_EQ(events[3].text, kIndent + "Two.\n");
}

TEST_F(ErrorListReport, PoolErrorsGetTheirHeading) {
    VkCErrorListPool pool;
    addError(pool, 3, 0, "Three.");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(reportPoolErrors(pool));
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "\nReported errors:\n       ERROR 0x3 (reported by Host PC):\n" + kIndent + "Three.\n");
}

TEST_F(ErrorListReport, PoolWithOnlyWarningsHoldsNoErrors) {
    VkCErrorListPool pool;
    addError(pool, 3, 0, "Three.", VkCErrorList::FlagWarning);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(reportPoolErrors(pool));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
