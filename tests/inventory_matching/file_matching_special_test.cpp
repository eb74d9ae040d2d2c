// Bus-FPGA, boot-loader and factory-mode rules of the file matching.
#include <gtest/gtest.h>

#include "inventory/file_matching.h"
#include "inventory_matching/run_fixture.h"

namespace {

using namespace planning_test;

class SpecialMatchingTest : public PlanningTest {
  protected:
    std::vector<int32_t> match(BoardRecord& board, bool factoryMode = false) {
        VkTCmdOptions options;
        options.factoryMode = factoryMode;
        findUpdateFiles(board, options);
        return std::vector<int32_t>(board.matchFiles.begin(),
                                    board.matchFiles.begin() + board.matchCount);
    }
};

UpdateFileRecord busFpgaFile(const char* boardType, uint32_t fwType = 3) {
    UpdateFileRecord f = makeFile(boardType, fwType, L"bus\\fpga.rbf");
    f.IsBusFpga = true;
    f.TypeName = "FPGA file";
    f.TargetFileName = "fpga.rbf";
    return f;
}

UpdateFileRecord bootLoaderFile(const char* boardType, uint32_t fwType) {
    UpdateFileRecord f = makeFile(boardType, fwType, L"boot.bin");
    f.IsBootLoader = true;
    f.TypeName = "BootLoader";
    f.UpdatePass = 0;
    return f;
}

// --- Bus FPGA --------------------------------------------------------------------------------

TEST_F(SpecialMatchingTest, BusFpgaFileMatchesEveryPcPlatformBoardWhateverItsType) {
    setCatalogue({busFpgaFile("VK9999")});
    BoardRecord& pc = addBoard("VKx86_32", 1);
    pc.isPcPlatform = true;
    BoardRecord& sameTypeNoPc = addBoard("VK9999", 2);
    BoardRecord& otherPc = addBoard("VK7101", 3);
    otherPc.isPcPlatform = true;
    recordEvents();
    EXPECT_EQ(match(pc), std::vector<int32_t>{0});
    EXPECT_EQ(match(sameTypeNoPc), std::vector<int32_t>{});
    EXPECT_EQ(match(otherPc), std::vector<int32_t>{0});
    // No event 18: that event belongs to the main rule.
    EXPECT_EQ(eventData(), (std::vector<EventData>{{20, 0, 0}, {20, 0, 0}}));
    EXPECT_TRUE(file(0).IsNeeded);
}

TEST_F(SpecialMatchingTest, BusFpgaAndBootLoaderMatchesTraceWithoutType) {
    setCatalogue({busFpgaFile("VKx86_32"), bootLoaderFile("VKx86_32", 10)});
    BoardRecord& board = addBoard("VKx86_32");
    board.isPcPlatform = true;
    board.hasBootloader = true;
    moduleState().verboseOutput = true;
    EXPECT_EQ(captureStdout([&] { match(board); }),
              "Searching update files for ROOT/IOROUTER[3] (VKx86_32) ...\n"
              "    Matching file found: bus\\fpga.rbf\n"
              "    Matching file found: boot.bin\n");
}

TEST_F(SpecialMatchingTest, BusFpgaFilesAreNotJudgedByTheMainRuleTests) {
    UpdateFileRecord f = busFpgaFile("VKx86_32");
    f.HwType = 99;
    f.MinHwCompatibilityId = 50;
    setCatalogue({f});
    BoardRecord& board = addBoard("VKx86_32");
    board.isPcPlatform = true;
    EXPECT_EQ(match(board), std::vector<int32_t>{0});
}

// --- Boot loaders ----------------------------------------------------------------------------

struct BootLoaderCase {
    const char* name;
    uint32_t fwType;
    bool hasBootloader;
    bool hasBootloader2;
    bool hasBootloader3;
    bool sameBoardType;
    bool factoryMode;
    bool matches;
};

class BootLoaderRule : public SpecialMatchingTest,
                       public ::testing::WithParamInterface<BootLoaderCase> {};

TEST_P(BootLoaderRule, MatchesTheBootLoaderTheBoardHas) {
    const BootLoaderCase c = GetParam();
    setCatalogue({bootLoaderFile(c.sameBoardType ? "VK7101" : "VK7102", c.fwType)});
    BoardRecord& board = addBoard("VK7101");
    board.hasBootloader = c.hasBootloader;
    board.hasBootloader2 = c.hasBootloader2;
    board.hasBootloader3 = c.hasBootloader3;
    board.isPcPlatform = true;  // never matters for boot loaders
    recordEvents();
    EXPECT_EQ(match(board, c.factoryMode).size(), c.matches ? 1u : 0u) << c.name;
    EXPECT_EQ(eventCodes(), c.matches ? std::vector<uint32_t>{20} : std::vector<uint32_t>{})
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, BootLoaderRule,
    ::testing::Values(
        BootLoaderCase{"type 10, BOOTLOADER", 10, true, false, false, true, false, true},
        BootLoaderCase{"type 11, BOOTLOADER[3]", 11, false, false, true, true, false, true},
        BootLoaderCase{"type 10 needs BOOTLOADER", 10, false, false, true, true, false, false},
        BootLoaderCase{"type 11 needs BOOTLOADER[3]", 11, true, false, false, true, false, false},
        BootLoaderCase{"BOOTLOADER[2] is not enough", 10, false, true, false, true, false, false},
        BootLoaderCase{"other board type", 10, true, false, false, false, false, false},
        BootLoaderCase{"factory mode", 10, true, false, false, true, true, false},
        BootLoaderCase{"type 12 never", 12, true, true, true, true, false, false}));

// --- Factory mode ----------------------------------------------------------------------------

struct FactoryCase {
    const char* name;
    const char* boardType;
    uint32_t systemClass;
    uint32_t fwType;
    bool matches;
    uint32_t typeAfter;
    const char* typeNameAfter;
    bool clearsActiveFirmware;
    bool clearsActiveFpga;
    bool rejectionTrace;
};

class FactoryModeRule : public SpecialMatchingTest,
                        public ::testing::WithParamInterface<FactoryCase> {};

TEST_P(FactoryModeRule, TurnsUserFirmwareIntoFactoryFirmware) {
    const FactoryCase c = GetParam();
    UpdateFileRecord f = makeFile(c.boardType, c.fwType, L"f.bin");
    setCatalogue({f});
    const VkCString typeNameBefore = f.TypeName;
    BoardRecord& board = addBoard(c.boardType);
    board.systemClass = c.systemClass;
    board.hasActiveFirmware = true;
    board.hasActiveFpga = true;
    board.hasUpdateInfoEntry = true;
    moduleState().verboseOutput = true;
    recordEvents();
    const std::string out = captureStdout([&] { match(board, true); });
    EXPECT_EQ(board.matchCount, c.matches ? 1u : 0u) << c.name;
    EXPECT_EQ(file(0).FwType, c.typeAfter) << c.name;
    EXPECT_EQ(std::string(file(0).TypeName.c_str()),
              c.typeNameAfter ? c.typeNameAfter : typeNameBefore.c_str())
        << c.name;
    EXPECT_EQ(board.hasActiveFirmware, !c.clearsActiveFirmware) << c.name;
    EXPECT_EQ(board.hasActiveFpga, !c.clearsActiveFpga) << c.name;
    const std::string rejection =
        "    f.bin rejected due to unsupported FW type in factory mode (" +
        std::to_string(c.fwType) + ")\n";
    EXPECT_EQ(out.find(rejection) != std::string::npos, c.rejectionTrace) << c.name << out;
    if (c.matches) {
        const std::string found =
            "    Matching file found: f.bin  FwType: " + std::to_string(c.typeAfter) + "\n";
        EXPECT_NE(out.find(found), std::string::npos) << out;
        EXPECT_EQ(eventData(), (std::vector<EventData>{{18, 0, 0}, {20, 0, 0}})) << c.name;
    } else {
        EXPECT_EQ(eventCodes(), std::vector<uint32_t>{}) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, FactoryModeRule,
    ::testing::Values(FactoryCase{"IPL becomes factory IPL", "VK7101", 0x20001, 7, true, 6,
                                  "Factory IPL", false, false, false},
                      FactoryCase{"FPGA on 0x20014 keeps user FPGA", "VK7101", 0x20014, 3, false, 3,
                                  nullptr, false, true, false},
                      FactoryCase{"FPGA becomes factory FPGA", "VK7101", 0x20001, 3, true, 4,
                                  "Factory FPGA firmware", false, false, false},
                      FactoryCase{"firmware on 0x2000F keeps user firmware", "VK7101", 0x2000F, 1,
                                  false, 1, nullptr, true, false, false},
                      FactoryCase{"firmware becomes factory firmware", "VK7101", 0x20014, 1, true,
                                  2, "Factory firmware", false, false, false},
                      FactoryCase{"factory firmware stays", "VK7101", 0x20001, 2, true, 2,
                                  "Factory firmware", false, false, false},
                      FactoryCase{"factory FPGA stays", "VK7101", 0x20001, 4, true, 4,
                                  "Factory FPGA firmware", false, false, false},
                      FactoryCase{"factory IPL stays", "VK7101", 0x20001, 6, true, 6, "Factory IPL",
                                  false, false, false},
                      FactoryCase{"CN firmware is refused", "VK7101", 0x20001, 8, false, 8, nullptr,
                                  false, false, true},
                      FactoryCase{"IO FPGA is refused", "VK7101", 0x20001, 11, false, 11, nullptr,
                                  false, false, true},
                      FactoryCase{"type 14 is refused", "VK7101", 0x20001, 14, false, 14, nullptr,
                                  false, false, true}));

TEST_F(SpecialMatchingTest, FactoryIplOfVk7201GivesTheWarningEvenWithoutVerbose) {
    setCatalogue({makeFile("VK7201", 7, L"ipl.bin")});
    BoardRecord& board = addBoard("VK7201");
    const std::string out = captureStdout([&] { match(board, true); });
    EXPECT_EQ(out, "WARNING: VK7201 FactoryIpl cannot be updated with the UserIpl update file.\n");
    EXPECT_EQ(board.matchCount, 0u);
    EXPECT_EQ(file(0).FwType, 7u);
}

TEST_F(SpecialMatchingTest, FactoryIplWarningGoesToTheHostInManagerMode) {
    setCatalogue({makeFile("VK7201", 7, L"ipl.bin")});
    BoardRecord& board = addBoard("VK7201");
    recordEvents();
    moduleState().outputToHost = true;
    EXPECT_EQ(captureStdout([&] { match(board, true); }), "");
    ASSERT_EQ(receivedEvents().size(), 1u);
    EXPECT_EQ(receivedEvents()[0].record.eventCode, 35u);
    EXPECT_EQ(receivedEvents()[0].text,
              "WARNING: VK7201 FactoryIpl cannot be updated with the UserIpl update file.\n");
}

TEST_F(SpecialMatchingTest, FactoryChangeOfTheCatalogueStaysForLaterBoards) {
    setCatalogue({makeFile("VK7101", 1, L"user.bin")});
    BoardRecord& first = addBoard("VK7101", 1);
    first.systemClass = 0x20001;
    BoardRecord& second = addBoard("VK7101", 2);
    second.systemClass = 0x2000F;  // would keep its user firmware, but the file is type 2 now
    EXPECT_EQ(match(first, true), std::vector<int32_t>{0});
    EXPECT_EQ(file(0).FwType, 2u);
    EXPECT_EQ(match(second, true), std::vector<int32_t>{0});
    EXPECT_FALSE(second.hasActiveFirmware);  // untouched: it was never set
    EXPECT_EQ(file(0).FwType, 2u);
    EXPECT_STREQ(file(0).TypeName.c_str(), "Factory firmware");
}

TEST_F(SpecialMatchingTest, FactoryModeMatchesNoBusFpgaOrBootLoaderFile) {
    setCatalogue(
        {busFpgaFile("VKx86_32"), bootLoaderFile("VKx86_32", 10), bootLoaderFile("VKx86_32", 11)});
    BoardRecord& board = addBoard("VKx86_32");
    board.isPcPlatform = true;
    board.hasBootloader = true;
    board.hasBootloader3 = true;
    EXPECT_EQ(match(board, true), std::vector<int32_t>{});
    EXPECT_EQ(match(board, false), (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(SpecialMatchingTest, FactoryModeStillAppliesTheMainRuleTestsFirst) {
    UpdateFileRecord f = makeFile("VK7201", 7, L"ipl.bin");
    f.HwType = 2;  // rejected before the factory rules: no warning
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7201");
    EXPECT_EQ(captureStdout([&] { match(board, true); }), "");
    EXPECT_EQ(board.matchCount, 0u);
}

}  // namespace
