#include "inventory/compatibility_check.h"

#include <gtest/gtest.h>

#include "inventory_matching/run_fixture.h"

namespace {

using namespace planning_test;

const char* const kM1 =
    "ERROR: Cannot update board with serial number 42 (VK7101, product version 2.3).\n"
    "       This board is not supported by firmware version 5.1!\n";
const char* const kM2 =
    "WARNING: Cannot update board with serial number 42 (VK7101, product version 2.3).\n"
    "         This board is not supported by firmware version 5.1 and will be ignored!\n";
const char* const kM3 =
    "WARNING: Board with serial number 42 (VK7101) cannot be updated since it is not supported "
    "by the\n"
    "         firmware that is currently installed on the target system. A second update run is "
    "required.\n";
const char* const kM4 =
    "ERROR: Cannot update board with serial number 42 (VK7101).\n"
    "       This board is not supported by firmware version 5.1!\n";
const char* const kM5 =
    "ERROR: Cannot update board with serial number 42 (VK7101, product version 2.3).\n"
    "       This board is not compatible with firmware version 5.1 (FW_COMPATIBILITY_ID 4).\n"
    "       A newer version is required for this board (FW_TYPE 5)!\n";
const char* const kM6 =
    "WARNING: Cannot update board with serial number 42 (VK7101, product version 2.3).\n"
    "            This board is not compatible with firmware version 5.1 (FW_COMPATIBILITY_ID 4).\n"
    "            and will be ignored. A newer version is required for this board (FW_TYPE 5)!\n";
const char* const kM7 =
    "ERROR: The TALVERON Real-Time PC, SN 42 with prototype mainboard\n"
    "       D2778-A1 is no longer supported.\n"
    "       Replace the TALVERON Real-Time PC or use older firmware.\n";
const char* const kM8 =
    "ERROR: The TALVERON Real-Time PC, SN 42 with mainboard\n"
    "       96M5181x is not supported by 64bit Linux firmware.\n"
    "       Replace the TALVERON Real-Time PC or use older firmware.\n";
const char* const kM9 =
    "ERROR: Cannot update VK4050 board with serial number 42 (VKx86_32, product version 2.3).\n"
    "       VK4050 boards are not supported by firmware version 5.1 (FW_COMPATIBILITY_ID 7).\n"
    "       An OLDER version is required for this device (FW_TYPE 0)!\n";

class CompatibilityTest : public PlanningTest {
  protected:
    // A selected board with serial 42 and product version 2.3 that matched files.
    BoardRecord& board(const char* boardType = "VK7101") {
        BoardRecord& b = addBoard(boardType, 42);
        b.productVersion = VkCVersion("2.3");
        b.hasUpdateInfo = true;
        return b;
    }

    int32_t check(const VkTCmdOptions& options = VkTCmdOptions()) {
        recordEvents();
        int32_t result = 0;
        output = captureStdout(
            [&] { result = checkFirmwareCompatibility(table, options, VkCVersion("5.1")); });
        return result;
    }

    std::string output;
};

// --- One row per reason code -----------------------------------------------------------------

struct ReasonCase {
    const char* name;
    std::function<void(BoardRecord&, UpdateFileRecord&)> arrange;
    const char* boardType;
    int32_t result;
    uint32_t reason;
    const char* message;
    uint32_t matchCountAfter;
    bool fileFailed;
};

class ReasonCodes : public CompatibilityTest, public ::testing::WithParamInterface<ReasonCase> {};

TEST_P(ReasonCodes, ReportTheExactMessageThenEvent9) {
    const ReasonCase& c = GetParam();
    UpdateFileRecord f = makeFile(c.boardType, 1, L"fw\\user.bin");
    f.FwCompabilityId = 4;
    setCatalogue({f});
    BoardRecord& b = board(c.boardType);
    addMatch(b, 0);
    b.fwType = 3;
    c.arrange(b, file(0));
    EXPECT_EQ(check(), c.result) << c.name;
    EXPECT_EQ(output, c.message) << c.name;
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, c.reason}})) << c.name;
    EXPECT_EQ(b.matchCount, c.matchCountAfter) << c.name;
    EXPECT_EQ(b.fileFailed[0], c.fileFailed ? 1 : 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    AllCodes, ReasonCodes,
    ::testing::Values(ReasonCase{"0: no file, strict class",
                                 [](BoardRecord& b, UpdateFileRecord&) {
                                     b.matchCount = 0;
                                     b.systemClass = 0x20004;
                                     b.hasActiveFirmware = true;
                                 },
                                 "VK7101", -1, 0, kM1, 0, false},
                      ReasonCase{"1: no file, other class",
                                 [](BoardRecord& b, UpdateFileRecord&) {
                                     b.matchCount = 0;
                                     b.systemClass = 0x2000F;
                                     b.hasUpdateInfoEntry = true;
                                 },
                                 "VK7101", 0, 1, kM2, 0, false},
                      ReasonCase{"2: ION without IP address, no UPDATE_INFO",
                                 [](BoardRecord& b, UpdateFileRecord&) {
                                     b.hasUpdateInfo = false;
                                     b.address = VkNInventoryIDs::ROOT / VkNInventoryIDs::ION[3];
                                 },
                                 "VK7101", 0, 2, kM3, 0, false},
                      ReasonCase{"3: FBMODULE, no UPDATE_INFO",
                                 [](BoardRecord& b, UpdateFileRecord&) {
                                     b.hasUpdateInfo = false;
                                     b.address =
                                         VkNInventoryIDs::ROOT / VkNInventoryIDs::FBMODULE[2];
                                 },
                                 "VK7101", 0, 3, kM3, 0, false},
                      ReasonCase{"4: class 0x20001, HW type 1, SW compatibility 8",
                                 [](BoardRecord& b, UpdateFileRecord&) {
                                     b.systemClass = 0x20001;
                                     b.hwType = 1;
                                     b.swCompatibilityId = 8;
                                 },
                                 "VK7101", -1, 4, kM4, 1, false},
                      ReasonCase{"5: file too old, strict class",
                                 [](BoardRecord& b, UpdateFileRecord&) {
                                     b.systemClass = 0x40001;
                                     b.fwType = 5;
                                 },
                                 "VK7101", -1, 5, kM5, 1, true},
                      ReasonCase{"6: file too old, other class",
                                 [](BoardRecord& b, UpdateFileRecord&) {
                                     b.systemClass = 0x2000F;
                                     b.fwType = 5;
                                 },
                                 "VK7101", 0, 6, kM6, 0, true},
                      ReasonCase{"7: prototype mainboard, OS not QNX",
                                 [](BoardRecord& b, UpdateFileRecord& f) {
                                     b.mainboardModel = "D2778-A1";
                                     f.OsType = "Linux64";
                                 },
                                 "VK7101", -1, 7, kM7, 1, false},
                      ReasonCase{"8: mainboard 96M5181, Linux64",
                                 [](BoardRecord& b, UpdateFileRecord& f) {
                                     b.mainboardModel = "96M5181x";
                                     f.OsType = "Linux64";
                                 },
                                 "VK7101", -1, 8, kM8, 1, false},
                      ReasonCase{"9: VK4050 and FW_COMPATIBILITY_ID 7",
                                 [](BoardRecord& b, UpdateFileRecord& f) {
                                     b.fwType = 0;
                                     f.FwCompabilityId = 7;
                                 },
                                 "VKx86_32", -1, 9, kM9, 1, false}));

TEST_F(CompatibilityTest, ReasonsAreSentAsHostMessagesInManagerMode) {
    setCatalogue({});
    BoardRecord& b = board();
    b.systemClass = 0x20010;
    b.hasActiveFpga = true;
    moduleState().outputToHost = true;
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(output, "");
    ASSERT_EQ(receivedEvents().size(), 2u);
    EXPECT_EQ(receivedEvents()[0].record.eventCode, 35u);
    EXPECT_EQ(receivedEvents()[0].text, kM1);
    EXPECT_EQ(receivedEvents()[1].record.eventCode, 9u);
}

// --- Passing boards and boundaries -----------------------------------------------------------

TEST_F(CompatibilityTest, EmptyTableOrNoSelectedBoardPassesSilently) {
    EXPECT_EQ(check(), 0);
    EXPECT_EQ(output, "");
    BoardRecord& b = board();
    b.systemClass = 0x20001;
    b.hasActiveFirmware = true;  // would be code 0
    VkTCmdOptions options;
    options.boardType = "VK9999";
    EXPECT_EQ(check(options), 0);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(receivedEvents().empty());
}

TEST_F(CompatibilityTest, BoardWithoutFilesAndWithoutActivePartsPassesSilently) {
    BoardRecord& b = board();
    b.systemClass = 0x20001;
    EXPECT_EQ(check(), 0);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(receivedEvents().empty());
}

struct FwTypeCase {
    uint32_t boardFwType;
    uint32_t fileId;
    bool passes;
};

class FirmwareLevel : public CompatibilityTest, public ::testing::WithParamInterface<FwTypeCase> {};

TEST_P(FirmwareLevel, FileMustReachTheBoardsLevel) {
    const FwTypeCase c = GetParam();
    UpdateFileRecord f = makeFile("VK7101", 1);
    f.FwCompabilityId = c.fileId;
    setCatalogue({f});
    BoardRecord& b = board();
    b.systemClass = 0x20001;
    b.fwType = c.boardFwType;
    addMatch(b, 0);
    EXPECT_EQ(check(), c.passes ? 0 : -1);
    EXPECT_EQ(output.empty(), c.passes);
}

INSTANTIATE_TEST_SUITE_P(Levels, FirmwareLevel,
                         ::testing::Values(FwTypeCase{5, 5, true}, FwTypeCase{5, 4, false},
                                           FwTypeCase{0, 0, true}, FwTypeCase{5, 0xFFFFFFFF, true},
                                           FwTypeCase{0xFFFFFFFF, 0xFFFFFFFE, false}));

struct MainboardCase {
    const char* name;
    const char* boardType;
    const char* model;
    uint32_t boardFwType;
    const char* osType;
    uint32_t fileId;
    uint32_t reason;  // 99: passes
};

class MainboardTests : public CompatibilityTest,
                       public ::testing::WithParamInterface<MainboardCase> {};

TEST_P(MainboardTests, FirstTestThatHoldsDecides) {
    const MainboardCase c = GetParam();
    UpdateFileRecord f = makeFile(c.boardType, 1);
    f.OsType = c.osType;
    f.FwCompabilityId = c.fileId;
    setCatalogue({f});
    BoardRecord& b = board(c.boardType);
    b.mainboardModel = c.model;
    b.fwType = c.boardFwType;
    addMatch(b, 0);
    const int32_t result = check();
    if (c.reason == 99) {
        EXPECT_EQ(result, 0) << c.name;
        EXPECT_TRUE(receivedEvents().empty()) << c.name;
    } else {
        EXPECT_EQ(result, -1) << c.name;
        EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, c.reason}})) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainboardTests,
    ::testing::Values(
        MainboardCase{"D2778 with QNX", "VK7101", "D2778", 0, "QNX", 0, 99},
        MainboardCase{"D2778 with Linux64", "VK7101", "D2778", 0, "Linux64", 0, 7},
        MainboardCase{"D2778 with no OS", "VK7101", "D2778", 0, "", 0, 7},
        MainboardCase{"D277 is no prototype", "VK7101", "D277", 0, "", 0, 99},
        MainboardCase{"96M5181 with QNX", "VK7101", "96M5181", 0, "QNX", 0, 99},
        MainboardCase{"96M5181 with Linux64", "VK7101", "96M5181", 0, "Linux64", 0, 8},
        MainboardCase{"96M518 is another board", "VK7101", "96M518", 0, "Linux64", 0, 99},
        MainboardCase{"D2778 before VK4050", "VKx86_32", "D2778", 0, "", 9, 7},
        MainboardCase{"VK4050 with 6", "VKx86_32", "", 0, "QNX", 6, 99},
        MainboardCase{"VK4050 with 7", "VKx86_32", "", 0, "QNX", 7, 9},
        MainboardCase{"VKx86_32 with FW_TYPE 1", "VKx86_32", "", 1, "QNX", 7, 99}));

TEST_F(CompatibilityTest, MainboardErrorsAreReportedOncePerFile) {
    UpdateFileRecord a = makeFile("VK7101", 1, L"a.bin");
    UpdateFileRecord b2 = makeFile("VK7101", 3, L"b.bit");
    setCatalogue({a, b2});
    BoardRecord& b = board();
    b.mainboardModel = "D2778";
    addMatch(b, 0);
    addMatch(b, 1);
    EXPECT_EQ(check(), -1);
    const std::string once =
        "ERROR: The TALVERON Real-Time PC, SN 42 with prototype mainboard\n"
        "       D2778 is no longer supported.\n"
        "       Replace the TALVERON Real-Time PC or use older firmware.\n";
    EXPECT_EQ(output, once + once);
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, 7}, {9, 0, 7}}));
}

TEST_F(CompatibilityTest, FilesNotJudgedAreBusFpgaBootLoaderAndInactive) {
    UpdateFileRecord bus = makeFile("VK7101", 3);
    bus.IsBusFpga = true;
    UpdateFileRecord boot = makeFile("VK7101", 10);
    boot.IsBootLoader = true;
    UpdateFileRecord inactive = makeFile("VK7101", 1);
    inactive.IsSelected = false;
    setCatalogue({bus, boot, inactive});
    BoardRecord& b = board();
    b.fwType = 9;  // every file would be too old
    b.systemClass = 0x20001;
    addMatch(b, 0);
    addMatch(b, 1);
    addMatch(b, 2);
    EXPECT_EQ(check(), 0);
    EXPECT_EQ(output, "");
}

TEST_F(CompatibilityTest, IonWithIpAddressIsJudgedFileByFile) {
    UpdateFileRecord f = makeFile("VK7101", 1);
    f.FwCompabilityId = 1;
    setCatalogue({f});
    BoardRecord& b = board();
    b.hasUpdateInfo = false;
    b.hasIpAddress = true;
    b.address = VkNInventoryIDs::ROOT / VkNInventoryIDs::ION;
    b.fwType = 2;
    b.systemClass = 0x20010;
    addMatch(b, 0);
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, 5}}));
}

TEST_F(CompatibilityTest, BoardOfOtherKindWithoutUpdateInfoIsJudgedFileByFile) {
    setCatalogue({makeFile("VK7101", 1)});
    BoardRecord& b = board();
    b.hasUpdateInfo = false;  // an I/O router: neither ION nor FBMODULE
    addMatch(b, 0);
    EXPECT_EQ(check(), 0);
    EXPECT_TRUE(receivedEvents().empty());
}

TEST_F(CompatibilityTest, UnsupportedHardwareNeedsAllThreeConditions) {
    setCatalogue({makeFile("VK7101", 1)});
    BoardRecord& b = board();
    b.systemClass = 0x20001;
    b.hwType = 1;
    b.swCompatibilityId = 9;
    addMatch(b, 0);
    EXPECT_EQ(check(), 0);
    b.swCompatibilityId = 8;
    b.hwType = 2;
    EXPECT_EQ(check(), 0);
    b.hwType = 1;
    b.hasUpdateInfo = false;  // the test belongs to boards with UPDATE_INFO
    EXPECT_EQ(check(), 0);
}

// --- Early returns and continuation ----------------------------------------------------------

TEST_F(CompatibilityTest, Code0EndsTheCheckBeforeLaterBoards) {
    setCatalogue({});
    for (uint32_t serial : {42u, 43u}) {
        BoardRecord& b = addBoard("VK7101", serial);
        b.productVersion = VkCVersion("2.3");
        b.systemClass = 0x20004;
        b.hasActiveFirmware = true;
    }
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(output, kM1);
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, 0}}));
}

TEST_F(CompatibilityTest, Code1GoesOnWithTheNextBoard) {
    setCatalogue({});
    for (uint32_t serial : {42u, 42u}) {
        BoardRecord& b = addBoard("VK7101", serial);
        b.productVersion = VkCVersion("2.3");
        b.systemClass = 0x2000F;
        b.hasActiveFirmware = true;
    }
    EXPECT_EQ(check(), 0);
    EXPECT_EQ(output, std::string(kM2) + kM2);
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, 1}, {9, 1, 1}}));
}

TEST_F(CompatibilityTest, Code4EndsTheCheckBeforeLaterBoards) {
    setCatalogue({makeFile("VK7101", 1)});
    for (int n = 0; n < 2; ++n) {
        BoardRecord& b = board();
        b.systemClass = 0x20001;
        b.hwType = 1;
        addMatch(b, 0);
    }
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(output, kM4);
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, 4}}));
}

TEST_F(CompatibilityTest, Code5SkipsTheBoardsRemainingFilesButNotLaterBoards) {
    UpdateFileRecord old = makeFile("VK7101", 1, L"old.bin");
    old.FwCompabilityId = 4;
    setCatalogue({old, old});
    for (int n = 0; n < 2; ++n) {
        BoardRecord& b = board();
        b.systemClass = 0x20001;
        b.fwType = 5;
        addMatch(b, 0);
        addMatch(b, 1);
    }
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(output, std::string(kM5) + kM5);
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 0, 5}, {9, 1, 5}}));
    EXPECT_EQ(table[0].fileFailed[0], 1);
    EXPECT_EQ(table[0].fileFailed[1], 0);
    EXPECT_EQ(table[0].matchCount, 2u);
}

TEST_F(CompatibilityTest, SelectionDecidesWhichBoardsAreJudgedAndTheirIndexInEvents) {
    setCatalogue({});
    BoardRecord& skipped = addBoard("VK7102", 1);
    skipped.systemClass = 0x20001;
    skipped.hasActiveFirmware = true;
    BoardRecord& judged = board();
    judged.systemClass = 0x2000F;
    judged.hasActiveFirmware = true;
    VkTCmdOptions options;
    options.boardType = "VK7101";
    EXPECT_EQ(check(options), 0);
    EXPECT_EQ(eventData(), (std::vector<EventData>{{9, 1, 1}}));
}

// --- Traces ----------------------------------------------------------------------------------

TEST_F(CompatibilityTest, VerboseTracesEachSelectedBoardAndEachIncompatibleFile) {
    UpdateFileRecord fine = makeFile("VK7101", 1, L"fine.bin");
    fine.FwCompabilityId = 9;
    UpdateFileRecord old = makeFile("VK7101", 3, L"fpga\\old.bit");
    old.FwCompabilityId = 4;
    setCatalogue({fine, old});
    BoardRecord& b = board();
    b.systemClass = 0x20001;
    b.fwType = 5;
    addMatch(b, 0);
    addMatch(b, 1);
    moduleState().verboseOutput = true;
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(output, std::string("----> Device #00 (VK7101, 2.3, ROOT/IOROUTER) FW_TYPE: 5\n") +
                          kM5 +
                          "      Incompatible file #01 (fpga\\old.bit) FW_COMPATIBILITY_ID: 4\n");
}

TEST_F(CompatibilityTest, VerboseTracesTheIncompatibleVk4050File) {
    UpdateFileRecord f = makeFile("VKx86_32", 1, L"new.bin");
    f.FwCompabilityId = 7;
    setCatalogue({f});
    BoardRecord& b = board("VKx86_32");
    addMatch(b, 0);
    moduleState().verboseOutput = true;
    EXPECT_EQ(check(), -1);
    EXPECT_EQ(output, std::string("----> Device #00 (VKx86_32, 2.3, ROOT/IOROUTER) FW_TYPE: 0\n") +
                          kM9 + "      Incompatible file #00 (new.bin) FW_COMPATIBILITY_ID: 7\n");
}

}  // namespace
