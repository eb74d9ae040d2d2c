#include "update/installed_file_comparison.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "inventory/run_fixture.h"

namespace {

using namespace planning_test;

struct SlotCase {
    uint32_t fwType;
    bool isBusFpga;
    int versionSlot;  // 0: the type has no slot and always differs
    int checksumSlot;
};

class SlotTable : public PlanningTest, public ::testing::WithParamInterface<SlotCase> {
  protected:
    // A board whose every slot holds the file's version and checksum, except the ones given.
    BoardRecord& boardHolding(const UpdateFileRecord& f) {
        BoardRecord& board = addBoard("VK7101");
        for (int slot = 1; slot <= kInstalledVersionSlots; ++slot) {
            board.installedVersion(slot) = f.Version;
        }
        for (int slot = 1; slot <= kInstalledChecksumSlots; ++slot) {
            board.installedChecksum(slot) = f.Crc32Checksum;
        }
        return board;
    }
};

UpdateFileRecord slotFile(const SlotCase& c) {
    UpdateFileRecord f = makeFile("VK7101", c.fwType);
    f.IsBusFpga = c.isBusFpga;
    f.Version = VkCVersion("2.7.1");
    f.Crc32Checksum = 0xCAFE0001;
    return f;
}

TEST_P(SlotTable, ComparesWithItsOwnSlots) {
    const SlotCase c = GetParam();
    const UpdateFileRecord f = slotFile(c);
    BoardRecord& board = boardHolding(f);
    if (c.versionSlot == 0) {
        EXPECT_TRUE(versionDiffers(board, f));
        EXPECT_TRUE(checksumDiffers(board, f));
        InstalledSlots slots;
        EXPECT_FALSE(installedSlotsOf(f, slots));
        return;
    }
    InstalledSlots slots;
    ASSERT_TRUE(installedSlotsOf(f, slots));
    EXPECT_EQ(slots.versionSlot, c.versionSlot);
    EXPECT_EQ(slots.checksumSlot, c.checksumSlot);
    EXPECT_FALSE(versionDiffers(board, f));
    EXPECT_FALSE(checksumDiffers(board, f));

    board.installedVersion(c.versionSlot) = VkCVersion("2.7.2");
    EXPECT_TRUE(versionDiffers(board, f));
    EXPECT_FALSE(checksumDiffers(board, f));

    board.installedChecksum(c.checksumSlot) = kUnknownChecksum;
    EXPECT_TRUE(checksumDiffers(board, f));
}

INSTANTIATE_TEST_SUITE_P(Types, SlotTable,
                         ::testing::Values(SlotCase{1, false, 1, 1}, SlotCase{2, false, 2, 2},
                                           SlotCase{3, false, 3, 3}, SlotCase{4, false, 4, 4},
                                           SlotCase{11, false, 5, 5}, SlotCase{12, false, 6, 6},
                                           SlotCase{13, false, 7, 7}, SlotCase{7, false, 8, 8},
                                           SlotCase{6, false, 9, 9}, SlotCase{8, false, 10, 10},
                                           SlotCase{9, false, 11, 11}, SlotCase{5, false, 12, 12},
                                           SlotCase{14, false, 16, 13}, SlotCase{3, true, 0, 0},
                                           SlotCase{4, true, 0, 0}, SlotCase{1, true, 1, 1},
                                           SlotCase{0, false, 0, 0}, SlotCase{10, false, 0, 0},
                                           SlotCase{15, false, 0, 0},
                                           SlotCase{0xFFFFFFFF, false, 0, 0}));

TEST_F(PlanningTest, Type14UsesVersionSlot16AndChecksumSlot13) {
    UpdateFileRecord f = makeFile("VK7101", 14);
    f.Version = VkCVersion("1.4");
    f.Crc32Checksum = 77;
    BoardRecord& board = addBoard("VK7101");
    board.installedVersion(14) = VkCVersion("1.4");  // the boot loader slot: not this one
    board.installedChecksum(13) = 77;
    EXPECT_TRUE(versionDiffers(board, f));
    board.installedVersion(16) = VkCVersion("1.4");
    EXPECT_FALSE(versionDiffers(board, f));
    EXPECT_FALSE(checksumDiffers(board, f));
}

TEST_F(PlanningTest, MissingFileAlwaysDiffers) {
    UpdateFileRecord f = makeFile("VK7101", 1);
    f.Crc32Checksum = kUnknownChecksum;
    BoardRecord& board = addBoard("VK7101");
    board.installedVersion(1) = f.Version;
    EXPECT_FALSE(versionDiffers(board, f));
    EXPECT_FALSE(checksumDiffers(board, f));
    f.IsMissing = true;
    EXPECT_TRUE(versionDiffers(board, f));
    EXPECT_TRUE(checksumDiffers(board, f));
}

// --- checkVersions ---------------------------------------------------------------------------

class CheckVersionsTest : public PlanningTest {
  protected:
    // Catalogue: 0 installed (version and checksum equal), 1 new version, 2 new checksum,
    // 3 bus FPGA.
    void SetUp() override {
        PlanningTest::SetUp();
        UpdateFileRecord same = makeFile("VK7101", 1, L"same.bin");
        same.Crc32Checksum = 5;
        UpdateFileRecord newer = makeFile("VK7101", 3, L"newer.bit");
        newer.Version = VkCVersion("1.1");
        newer.Crc32Checksum = 6;
        UpdateFileRecord checksum = makeFile("VK7101", 11, L"io.bit");
        checksum.Crc32Checksum = 99;
        UpdateFileRecord bus = makeFile("VK7101", 3, L"bus.rbf");
        bus.IsBusFpga = true;
        bus.TypeName = "FPGA file";
        setCatalogue({same, newer, checksum, bus});
    }

    BoardRecord& installedBoard(uint32_t serial = 100) {
        BoardRecord& board = addBoard("VK7101", serial);
        board.installedVersion(1) = VkCVersion("1.0");
        board.installedChecksum(1) = 5;
        board.installedVersion(3) = VkCVersion("1.0");
        board.installedChecksum(3) = 6;
        board.installedVersion(5) = VkCVersion("1.0");
        board.installedChecksum(5) = 7;
        for (int32_t k = 0; k < 4; ++k) {
            addMatch(board, k);
        }
        return board;
    }

    static std::vector<uint8_t> upToDate(const BoardRecord& board) {
        return std::vector<uint8_t>(board.fileUpToDate.begin(),
                                    board.fileUpToDate.begin() + board.matchCount);
    }
};

TEST_F(CheckVersionsTest, MarksOnlyFilesWithEqualVersionAndChecksum) {
    BoardRecord& board = installedBoard();
    EXPECT_EQ(captureStdout([&] { checkVersions(table, VkTCmdOptions()); }), "");
    EXPECT_EQ(upToDate(board), (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(CheckVersionsTest, VerboseTracesEveryComparison) {
    installedBoard();
    moduleState().verboseOutput = true;
    EXPECT_EQ(captureStdout([&] { checkVersions(table, VkTCmdOptions()); }),
              "[VK7101] ROOT/IOROUTER[3]: Firmware: version equal, checksum equal\n"
              "[VK7101] ROOT/IOROUTER[3]: FPGA firmware: version differs, checksum equal\n"
              "[VK7101] ROOT/IOROUTER[3]: IO FPGA firmware: version equal, checksum differs\n"
              "[VK7101] ROOT/IOROUTER[3]: FPGA file: version differs, checksum differs\n");
}

TEST_F(CheckVersionsTest, NeverClearsAFlag) {
    BoardRecord& board = installedBoard();
    board.fileUpToDate[1] = 1;  // found installed earlier
    checkVersions(table, VkTCmdOptions());
    EXPECT_EQ(upToDate(board), (std::vector<uint8_t>{1, 1, 0, 0}));
}

struct SkipCase {
    const char* name;
    uint8_t activeFirmware;
    uint8_t activeFpga;
    bool selected;
    bool compared;
};

class CheckVersionsSkips : public CheckVersionsTest,
                           public ::testing::WithParamInterface<SkipCase> {};

TEST_P(CheckVersionsSkips, OnlySelectedBoardsWithUserFirmwareAreCompared) {
    const SkipCase c = GetParam();
    BoardRecord& board = installedBoard();
    board.activeFirmware = c.activeFirmware;
    board.activeFpga = c.activeFpga;
    VkTCmdOptions options;
    options.serialNumbers = c.selected ? "100" : "101";
    checkVersions(table, options);
    EXPECT_EQ(board.fileUpToDate[0], c.compared ? 1 : 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Boards, CheckVersionsSkips,
                         ::testing::Values(SkipCase{"user firmware", 1, 1, true, true},
                                           SkipCase{"active values 0", 0, 0, true, true},
                                           SkipCase{"no user firmware", 2, 1, true, false},
                                           SkipCase{"no user FPGA", 1, 2, true, false},
                                           SkipCase{"not selected", 1, 1, false, false}));

TEST_F(CheckVersionsTest, BoardWithoutMatchesIsPassedOver) {
    BoardRecord& board = addBoard("VK7101");
    moduleState().verboseOutput = true;
    EXPECT_EQ(captureStdout([&] { checkVersions(table, VkTCmdOptions()); }), "");
    EXPECT_EQ(board.fileUpToDate[0], 0);
}

TEST_F(CheckVersionsTest, InvalidMatchPositionIsPassedOverInsteadOfRead) {
    BoardRecord& board = installedBoard();
    board.matchFiles[1] = -1;
    board.matchFiles[2] = 4711;
    checkVersions(table, VkTCmdOptions());
    EXPECT_EQ(upToDate(board), (std::vector<uint8_t>{1, 0, 0, 0}));
}

const char* const kNoHandlesPattern =
    "ERROR: Unexpected error\\. No handles to update devices or update files found\\.\n"
    "\tPlease retry update after power-cycle target device\\.\n"
    "\tIf the problem could not be solved by this, please contact Velkor support\\.\n";

TEST_F(CheckVersionsTest, EmptyBoardTableEndsTheProcess) {
    EXPECT_EXIT(
        {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
            checkVersions(table, VkTCmdOptions());
        },
        ::testing::ExitedWithCode(1), kNoHandlesPattern);
}

TEST_F(CheckVersionsTest, CatalogueNotReadEndsTheProcess) {
    installedBoard();
    moduleState().catalogueRead = false;
    EXPECT_EXIT(
        {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
            checkVersions(table, VkTCmdOptions());
        },
        ::testing::ExitedWithCode(1), kNoHandlesPattern);
}

// A description that lists no files is a valid catalogue: nothing to compare, no exit.
TEST_F(CheckVersionsTest, EmptyCatalogueIsCompared) {
    setCatalogue({});
    addBoard("VK7101");
    EXPECT_EQ(captureStdout([&] { checkVersions(table, VkTCmdOptions()); }), "");
}

}  // namespace
