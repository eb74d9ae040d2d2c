#include "inventory/file_matching.h"

#include <gtest/gtest.h>

#include "inventory_matching/run_fixture.h"

namespace {

using namespace planning_test;

constexpr uint32_t kNoLimit = 0xFFFFFFFF;

class FileMatchingTest : public PlanningTest {
  protected:
    // Matches board against the catalogue and returns its matched catalogue indices.
    std::vector<int32_t> match(BoardRecord& board, bool factoryMode = false) {
        VkTCmdOptions options;
        options.factoryMode = factoryMode;
        findUpdateFiles(board, options);
        return std::vector<int32_t>(board.matchFiles.begin(),
                                    board.matchFiles.begin() + board.matchCount);
    }

    std::string matchVerbose(BoardRecord& board, bool factoryMode = false) {
        moduleState().verboseOutput = true;
        return captureStdout([&] { match(board, factoryMode); });
    }
};

const std::vector<int32_t> kNone;
const std::vector<int32_t> kFirst{0};

// --- Compatibility ranges --------------------------------------------------------------------

struct RangeCase {
    uint32_t minimum;
    uint32_t maximum;
    uint32_t device;
    bool matches;
};

class HwCompatibilityRange : public FileMatchingTest,
                             public ::testing::WithParamInterface<RangeCase> {};
class SwCompatibilityRange : public FileMatchingTest,
                             public ::testing::WithParamInterface<RangeCase> {};

const RangeCase kRangeCases[] = {
    {kNoLimit, kNoLimit, 0, true},
    {kNoLimit, kNoLimit, 12345, true},
    {kNoLimit, 3, 3, true},
    {kNoLimit, 3, 4, false},
    {2, kNoLimit, 2, true},
    {2, kNoLimit, 1, false},
    {2, 5, 2, true},
    {2, 5, 5, true},
    {2, 5, 6, false},
    {2, 5, 1, false},
    {0, 0, 0, true},
    {kNoLimit, kNoLimit, kNoLimit, true},
    {kNoLimit, 0xFFFFFFFE, kNoLimit, false},
};

TEST_P(HwCompatibilityRange, DecidesTheMatch) {
    const RangeCase c = GetParam();
    UpdateFileRecord f = makeFile("VK7101", 1, L"fw\\user.bin");
    f.MinHwCompatibilityId = c.minimum;
    f.MaxHwCompatibilityId = c.maximum;
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101");
    board.hwCompatibilityId = c.device;
    const std::string out = matchVerbose(board);
    EXPECT_EQ(board.matchCount, c.matches ? 1u : 0u);
    const std::string rejection =
        "    fw\\user.bin rejected due to mismatching HW compatibility ID (file: " +
        std::to_string(c.minimum) + "..." + std::to_string(c.maximum) +
        ", device: " + std::to_string(c.device) + ")\n";
    EXPECT_EQ(out.find(rejection) != std::string::npos, !c.matches) << out;
}

TEST_P(SwCompatibilityRange, DecidesTheMatch) {
    const RangeCase c = GetParam();
    UpdateFileRecord f = makeFile("VK7101", 1, L"user.bin");
    f.MinSwCompatibilityId = c.minimum;
    f.MaxSwCompatibilityId = c.maximum;
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101");
    board.swCompatibilityId = c.device;
    const std::string out = matchVerbose(board);
    EXPECT_EQ(board.matchCount, c.matches ? 1u : 0u);
    const std::string rejection =
        "    user.bin rejected due to mismatching SW compatibility ID (file: " +
        std::to_string(c.minimum) + "..." + std::to_string(c.maximum) +
        ", device: " + std::to_string(c.device) + ")\n";
    EXPECT_EQ(out.find(rejection) != std::string::npos, !c.matches) << out;
}

INSTANTIATE_TEST_SUITE_P(Limits, HwCompatibilityRange, ::testing::ValuesIn(kRangeCases));
INSTANTIATE_TEST_SUITE_P(Limits, SwCompatibilityRange, ::testing::ValuesIn(kRangeCases));

TEST_F(FileMatchingTest, NoLowerLimitShowsAs4294967295InTheTrace) {
    UpdateFileRecord f = makeFile("VK7101", 1, L"a.bin");
    f.MaxHwCompatibilityId = 3;
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101");
    board.hwCompatibilityId = 4;
    EXPECT_EQ(matchVerbose(board),
              "Searching update files for ROOT/IOROUTER[3] (VK7101) ...\n"
              "    a.bin rejected due to mismatching HW compatibility ID (file: 4294967295...3, "
              "device: 4)\n");
}

// --- HW and FPGA types -----------------------------------------------------------------------

TEST_F(FileMatchingTest, HwTypeMustBeEqual) {
    UpdateFileRecord f = makeFile("VK7101", 1, L"a.bin");
    f.HwType = 3;
    setCatalogue({f});
    BoardRecord& equal = addBoard("VK7101", 1);
    equal.hwType = 3;
    BoardRecord& other = addBoard("VK7101", 2);
    other.hwType = 2;
    EXPECT_EQ(match(equal), kFirst);
    EXPECT_EQ(matchVerbose(other),
              "Searching update files for ROOT/IOROUTER[3] (VK7101) ...\n"
              "    a.bin rejected due to mismatching HW type (has 3, required is 2)\n");
    EXPECT_EQ(other.matchCount, 0u);
}

struct FpgaCase {
    uint32_t fwType;
    bool checked;  // the FPGA type must fit
};

class FpgaTypeRule : public FileMatchingTest, public ::testing::WithParamInterface<FpgaCase> {};

TEST_P(FpgaTypeRule, AppliesToFpgaPartsOnly) {
    const FpgaCase c = GetParam();
    UpdateFileRecord f = makeFile("VK7101", c.fwType, L"x.bit");
    f.FpgaType = 7;
    setCatalogue({f});
    BoardRecord& fitting = addBoard("VK7101", 1);
    fitting.fpgaChipType = 7;
    fitting.hasUpdateInfoEntry = true;  // lets type 14 through
    BoardRecord& other = addBoard("VK7101", 2);
    other.fpgaChipType = 8;
    other.hasUpdateInfoEntry = true;
    EXPECT_EQ(match(fitting), kFirst);
    const std::string out = matchVerbose(other);
    EXPECT_EQ(other.matchCount, c.checked ? 0u : 1u);
    EXPECT_EQ(
        out.find("    x.bit rejected due to mismatching FPGA type (has 7, required is 8)\n") !=
            std::string::npos,
        c.checked);
}

INSTANTIATE_TEST_SUITE_P(Types, FpgaTypeRule,
                         ::testing::Values(FpgaCase{3, true}, FpgaCase{4, true}, FpgaCase{11, true},
                                           FpgaCase{12, true}, FpgaCase{13, true},
                                           FpgaCase{1, false}, FpgaCase{2, false},
                                           FpgaCase{7, false}, FpgaCase{14, false}));

TEST_F(FileMatchingTest, RejectionsAreTestedInOrderHwCompatibilityFirst) {
    UpdateFileRecord f = makeFile("VK7101", 3, L"x.bit");
    f.MinHwCompatibilityId = 9;
    f.MinSwCompatibilityId = 9;
    f.HwType = 5;
    f.FpgaType = 5;
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101");
    const std::string out = matchVerbose(board);
    EXPECT_NE(out.find("HW compatibility ID"), std::string::npos);
    EXPECT_EQ(out.find("SW compatibility ID"), std::string::npos);
    EXPECT_EQ(out.find("HW type"), std::string::npos);
    EXPECT_EQ(out.find("FPGA type"), std::string::npos);
}

// --- Board type and silent rules -------------------------------------------------------------

TEST_F(FileMatchingTest, BoardTypeIsComparedByteWise) {
    setCatalogue({makeFile("VK7101", 1), makeFile("vk7101", 1), makeFile("VK7101 ", 1),
                  makeFile("VK7102", 1), makeFile("VK7101", 2)});
    BoardRecord& board = addBoard("VK7101");
    EXPECT_EQ(match(board), (std::vector<int32_t>{0, 4}));
}

struct SilentCase {
    const char* name;
    uint32_t fwType;
    bool networkComponent;
    bool updateInfoEntry;
    bool matches;
};

class SilentRules : public FileMatchingTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentRules, SkipWithoutATrace) {
    const SilentCase c = GetParam();
    setCatalogue({makeFile("VKNET", c.fwType, L"n.bin")});
    BoardRecord& board = addBoard("VKNET");
    board.isNetworkComponent = c.networkComponent;
    board.hasUpdateInfoEntry = c.updateInfoEntry;
    const std::string out = matchVerbose(board);
    EXPECT_EQ(board.matchCount, c.matches ? 1u : 0u) << c.name;
    const std::string header = "Searching update files for ROOT/IOROUTER[3] (VKNET) ...\n";
    if (!c.matches) {
        EXPECT_EQ(out, header) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SilentRules,
    ::testing::Values(SilentCase{"firmware on NETC", 1, true, false, false},
                      SilentCase{"factory firmware on NETC", 2, true, false, false},
                      SilentCase{"FPGA on NETC", 3, true, false, true},
                      SilentCase{"firmware elsewhere", 1, false, false, true},
                      SilentCase{"type 14 without UPDATE_INFO 14", 14, false, false, false},
                      SilentCase{"type 14 with UPDATE_INFO 14", 14, false, true, true},
                      SilentCase{"type 14 on NETC", 14, true, true, true}));

// --- FIRMWARE[2] of the processing unit ------------------------------------------------------

struct Firmware2Case {
    const char* name;
    const char* fileVersion;
    const char* platformType;
    uint32_t boardFwType;
    const char* installed;  // FIRMWARE[2] version in slot 2
    bool factoryMode;
    bool matches;
};

class Firmware2Rule : public FileMatchingTest,
                      public ::testing::WithParamInterface<Firmware2Case> {};

TEST_P(Firmware2Rule, NeedsAllConditions) {
    const Firmware2Case c = GetParam();
    UpdateFileRecord f = makeFile("VKx86_32", 2, L"fw2.bin");
    f.Version = VkCVersion(c.fileVersion);
    setCatalogue({f});
    BoardRecord& board = addBoard("VKx86_32");
    board.platformType = c.platformType;
    board.fwType = c.boardFwType;
    board.installedVersion(2) = VkCVersion(c.installed);
    const std::string out = matchVerbose(board, c.factoryMode);
    EXPECT_EQ(board.matchCount, c.matches ? 1u : 0u) << c.name;
    if (!c.matches) {
        EXPECT_EQ(out, "Searching update files for ROOT/IOROUTER[3] (VKx86_32) ...\n") << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, Firmware2Rule,
    ::testing::Values(Firmware2Case{"all hold", "3.1", "VKPC", 7, "3.0", false, true},
                      Firmware2Case{"newer file", "4.0", "VKPC", 9, "2.5", false, true},
                      Firmware2Case{"file 3.0", "3.0", "VKPC", 7, "2.0", false, false},
                      Firmware2Case{"platform VKCN", "3.1", "VKCN", 7, "3.0", false, false},
                      Firmware2Case{"board FW_TYPE 6", "3.1", "VKPC", 6, "3.0", false, false},
                      Firmware2Case{"installed 3.1", "3.1", "VKPC", 7, "3.1", false, false},
                      Firmware2Case{"factory mode", "3.1", "VKPC", 7, "3.0", true, false}));

TEST_F(FileMatchingTest, Firmware2RuleIsOnlyForTheProcessingUnit) {
    UpdateFileRecord f = makeFile("VK7101", 2);
    f.Version = VkCVersion("1.0");
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101");
    EXPECT_EQ(match(board), kFirst);
}

// --- Type 10 files ---------------------------------------------------------------------------

struct BootLoader2Case {
    const char* name;
    bool hasBootloader2;
    const char* installed;  // BOOTLOADER[2] version in slot 14
    const char* fileVersion;
    bool factoryMode;
    bool matches;
};

class BootLoader2Rule : public FileMatchingTest,
                        public ::testing::WithParamInterface<BootLoader2Case> {};

TEST_P(BootLoader2Rule, MatchesOnlyANewerBootLoader2) {
    const BootLoader2Case c = GetParam();
    UpdateFileRecord f = makeFile("VK7101", 10, L"bl2.bin");
    f.Version = VkCVersion(c.fileVersion);
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101");
    board.hasBootloader2 = c.hasBootloader2;
    board.installedVersion(14) = VkCVersion(c.installed);
    EXPECT_EQ(match(board, c.factoryMode).size(), c.matches ? 1u : 0u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, BootLoader2Rule,
    ::testing::Values(BootLoader2Case{"newer", true, "1.0", "1.1", false, true},
                      BootLoader2Case{"equal", true, "1.1", "1.1", false, false},
                      BootLoader2Case{"older", true, "1.2", "1.1", false, false},
                      BootLoader2Case{"no BOOTLOADER[2]", false, "1.0", "1.1", false, false},
                      BootLoader2Case{"factory mode", true, "1.0", "1.1", true, false}));

// --- Events, traces and recording ------------------------------------------------------------

TEST_F(FileMatchingTest, MainRuleMatchSendsEvent18ThenEvent20AndMarksTheFileNeeded) {
    setCatalogue(
        {makeFile("VK7102", 1), makeFile("VK7101", 1, L"a.bin"), makeFile("VK7101", 3, L"b.bit")});
    BoardRecord& board = addBoard("VK7101");
    recordEvents();
    EXPECT_EQ(match(board), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(eventData(),
              (std::vector<EventData>{{18, 1, 0}, {20, 1, 0}, {18, 2, 0}, {20, 2, 0}}));
    for (const ReceivedEvent& e : receivedEvents()) {
        EXPECT_EQ(e.record.value3, 0u);
        EXPECT_EQ(e.record.value4, 0u);
        EXPECT_EQ(e.record.ref1, nullptr);
        EXPECT_EQ(e.record.ref2, nullptr);
    }
    EXPECT_FALSE(file(0).IsNeeded);
    EXPECT_TRUE(file(1).IsNeeded);
    EXPECT_TRUE(file(2).IsNeeded);
}

TEST_F(FileMatchingTest, VerboseTracesAMainRuleMatchWithItsType) {
    setCatalogue({makeFile("VK7101", 3, L"fpga\\user.bit")});
    BoardRecord& board = addBoard("VK7101");
    EXPECT_EQ(matchVerbose(board),
              "Searching update files for ROOT/IOROUTER[3] (VK7101) ...\n"
              "    Matching file found: fpga\\user.bit  FwType: 3\n");
}

TEST_F(FileMatchingTest, WithoutVerboseNothingIsPrinted) {
    UpdateFileRecord rejected = makeFile("VK7101", 1);
    rejected.HwType = 9;
    setCatalogue({makeFile("VK7101", 1), rejected});
    BoardRecord& board = addBoard("VK7101");
    EXPECT_EQ(captureStdout([&] { match(board); }), "");
    EXPECT_EQ(board.matchCount, 1u);
}

TEST_F(FileMatchingTest, SeveralFilesOfOneTypeAreAllRecordedInCatalogueOrder) {
    setCatalogue({makeFile("VK7101", 1), makeFile("VK7101", 1), makeFile("VK7101", 1)});
    BoardRecord& board = addBoard("VK7101");
    EXPECT_EQ(match(board), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(board.matchFiles.size(), 3u);
}

TEST_F(FileMatchingTest, IsNeededStaysSetForLaterBoardsWithoutMatches) {
    setCatalogue({makeFile("VK7101", 1)});
    BoardRecord& first = addBoard("VK7101", 1);
    BoardRecord& second = addBoard("VK7102", 2);
    match(first);
    match(second);
    EXPECT_TRUE(file(0).IsNeeded);
    EXPECT_EQ(second.matchCount, 0u);
}

TEST_F(FileMatchingTest, MatchArraysShorterThanTheCatalogueGrow) {
    BoardRecord& board = addBoard("VK7101");  // scanned with an empty catalogue
    setCatalogue({makeFile("VK7101", 1), makeFile("VK7101", 2)});
    EXPECT_EQ(match(board), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(board.fileUpToDate.size(), 2u);
    EXPECT_EQ(board.fileFailed.size(), 2u);
    EXPECT_EQ(board.fileUpdated.size(), 2u);
}

TEST_F(FileMatchingTest, EmptyCatalogueMatchesNothing) {
    BoardRecord& board = addBoard("VK7101");
    recordEvents();
    EXPECT_EQ(match(board), kNone);
    EXPECT_TRUE(receivedEvents().empty());
}

}  // namespace
