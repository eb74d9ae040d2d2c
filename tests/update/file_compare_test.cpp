#include "update/file_compare.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "inventory/run_fixture.h"
#include "reporting/format.h"
#include "update/scratch_folder.h"
#include "utf8_conversion.h"

namespace {

using namespace planning_test;

struct CompareCase {
    const char* name;
    size_t firstSize;
    size_t secondSize;
    long flipAt;  // byte of the second file changed; -1 none, -2 the last one
    bool equal;
};

class CompareFiles : public PlanningTest, public ::testing::WithParamInterface<CompareCase> {
  protected:
    ScratchFolder folder;
};

TEST_P(CompareFiles, EqualOnlyForTheSameContent) {
    const CompareCase c = GetParam();
    std::vector<char> first = patternBytes(c.firstSize);
    std::vector<char> second = patternBytes(c.secondSize);
    if (c.flipAt == -2) {
        second.back() ^= 0x01;
    } else if (c.flipAt >= 0) {
        second[static_cast<size_t>(c.flipAt)] ^= 0x40;
    }
    folder.write("a", first);
    folder.write("b", second);
    EXPECT_EQ(compareFiles(folder.wideFile("a"), folder.wideFile("b")), c.equal) << c.name;
    EXPECT_EQ(compareFiles(folder.wideFile("b"), folder.wideFile("a")), c.equal) << c.name;
}

constexpr size_t kBlock = kCompareBlockSize;

INSTANTIATE_TEST_SUITE_P(
    Sizes, CompareFiles,
    ::testing::Values(
        CompareCase{"both empty", 0, 0, -1, true},
        CompareCase{"empty and one byte", 0, 1, -1, false},
        CompareCase{"length differs", 100, 101, -1, false},
        CompareCase{"small equal", 100, 100, -1, true},
        CompareCase{"one block", kBlock, kBlock, -1, true},
        CompareCase{"exact multiple of a block", 3 * kBlock, 3 * kBlock, -1, true},
        CompareCase{"one block and one byte more", kBlock, kBlock + 1, -1, false},
        CompareCase{"two blocks and one block", 2 * kBlock, kBlock, -1, false},
        CompareCase{"last byte of a multiple", 2 * kBlock, 2 * kBlock, -2, false},
        CompareCase{"first byte", 5000, 5000, 0, false},
        CompareCase{"first byte of the second block", 2 * kBlock + 9, 2 * kBlock + 9, long(kBlock),
                    false},
        CompareCase{"last byte of a large file", 40 * kBlock + 4321, 40 * kBlock + 4321, -2, false},
        CompareCase{"large equal", 40 * kBlock + 4321, 40 * kBlock + 4321, -1, true}));

TEST_F(PlanningTest, FileComparedWithItselfIsEqual) {
    ScratchFolder folder;
    folder.write("a", patternBytes(kBlock + 3));
    EXPECT_TRUE(compareFiles(folder.wideFile("a"), folder.wideFile("a")));
}

TEST_F(PlanningTest, UnopenableFilesAreReportedOnlyWithVerboseOutput) {
    ScratchFolder folder;
    folder.write("a", patternBytes(10));
    bool result = true;
    EXPECT_EQ(
        captureStdout([&] { result = compareFiles(folder.wideFile("x"), folder.wideFile("a")); }),
        "");
    EXPECT_FALSE(result);
    moduleState().verboseOutput = true;
    EXPECT_EQ(
        captureStdout([&] { result = compareFiles(folder.wideFile("x"), folder.wideFile("a")); }),
        "ERROR: Cannot open file " + folder.file("x") + "!\n");
    EXPECT_FALSE(result);
    EXPECT_EQ(
        captureStdout([&] { result = compareFiles(folder.wideFile("a"), folder.wideFile("y")); }),
        "ERROR: Cannot open file " + folder.file("y") + "!\n");
    EXPECT_FALSE(result);
}

// Compares in a child process that an alarm ends after 10 seconds, so that opening or reading
// a pipe that waits fails the test instead of hanging it; the child passes the verbose messages
// on to its standard error and exits with 0 when the files were found unequal.
void expectRefusedWithoutWaiting(const std::string& first, const std::string& second,
                                 const std::string& message) {
    EXPECT_EXIT(
        {
            ::alarm(10);
            moduleState().verboseOutput = true;
            bool equal = true;
            const std::string out =
                captureStdout([&] { equal = compareFiles(utf8ToWide(first), utf8ToWide(second)); });
            std::fputs(out.c_str(), stderr);
            std::exit(equal ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), ::testing::HasSubstr(message));
}

TEST_F(PlanningTest, OnlyRegularFilesAreComparedAndOthersAreNamed) {
    ScratchFolder folder;
    const std::string file = folder.write("a", {});
    folder.write("dir/inner", {});
    const std::string pipe = folder.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const auto& [special, kind] :
         {std::pair{folder.file("dir"), "a folder"}, std::pair{pipe, "a pipe"}}) {
        const std::string message =
            "ERROR: Cannot compare file " + special + ": it is " + kind + ", not a regular file!\n";
        expectRefusedWithoutWaiting(file, special, message);
        expectRefusedWithoutWaiting(special, file, message);
    }
}

TEST_F(PlanningTest, NonAsciiPathsAreOpened) {
    ScratchFolder folder;
    folder.write("\xc3\xa4nderung.bin", patternBytes(20));
    const std::wstring wide =
        std::wstring(folder.path().begin(), folder.path().end()) + L"/\u00e4nderung.bin";
    EXPECT_TRUE(compareFiles(wide, wide));
}

}  // namespace
