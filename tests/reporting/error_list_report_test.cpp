// The error list report: entries with their origin, texts wrapped within 68 characters, and the
// heading of a pool that holds errors.
#include "reporting/error_list_report.h"

#include <gtest/gtest.h>

#include "support/captured_output.h"

namespace {

void addError(VkCErrorListPool& pool, uint32_t code, uint32_t origin, const std::string& text,
              uint32_t flags = 0) {
    VkCErrorList::Entry entry;
    entry.code = code;
    entry.originNode = origin;
    entry.text = text;
    entry.flags = flags;
    pool.addEntry(entry);
}

TEST(ErrorListReport, WrapsAfterTheLastBlankWithin68Characters) {
    const std::string a68(68, 'a'), b60(60, 'b'), c20(20, 'c'), d67(67, 'd'), h(137, 'h');
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {a68, {a68}},
        {a68 + "z", {a68, "z"}},
        {b60 + " " + c20, {b60 + " ", c20}},
        {d67 + " eee", {d67 + " ", "eee"}},
        {a68 + " fff", {a68, " fff"}},
        {"one two " + std::string(65, 'g'), {"one two ", std::string(65, 'g')}},
        {"line one\nline two\r\n", {"line one line two  "}},
        {h, {h.substr(0, 68), h.substr(0, 68), "h"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wrapErrorText(c.text), c.lines) << c.text;
    }
}

TEST(ErrorListReport, PrintsEveryEntryWithItsLinesIndentedOnlyWhenAnErrorIsThere) {
    VkCErrorListPool pool;
    addError(pool, 7, 3, "A warning.", VkCErrorList::FlagWarning);
    EXPECT_FALSE(captureOutput([&] { return reportPoolErrors(pool); }).result);
    addError(pool, 0x10, 0, std::string(60, 'b') + " " + std::string(20, 'c'));
    const auto all = captureOutput([&] { return reportPoolErrors(pool); });
    EXPECT_TRUE(all.result);
    const std::string indent(10, ' ');
    EXPECT_EQ(all.out, "\nReported errors:\n       ERROR 0x7 (reported by S/N 3):\n" + indent +
                           "A warning.\n\n       ERROR 0x10 (reported by Host PC):\n" + indent +
                           std::string(60, 'b') + " \n" + indent + std::string(20, 'c') + "\n");
}

}  // namespace
