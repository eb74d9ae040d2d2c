#include "update/plan_report.h"

#include <gtest/gtest.h>

#include "inventory/run_fixture.h"

namespace {

using namespace planning_test;

const std::string kPlanHead =
    "\n"
    "Board               Selected FW Type          Version        Update sequence\n"
    "----------------------------------------------------------------------------\n";

class PlanReportTest : public PlanningTest {
  protected:
    std::string plan(const VkTCmdOptions& options = VkTCmdOptions()) {
        return captureStdout([&] { printUpdatePlan(options, table); });
    }
};

// --- Missing files ---------------------------------------------------------------------------

TEST_F(PlanReportTest, MissingFilesAreListedWithEightBlanks) {
    UpdateFileRecord missing = makeFile("VK7101", 1, L"fw\\gone.bin");
    missing.IsMissing = true;
    UpdateFileRecord present = makeFile("VK7101", 1, L"here.bin");
    UpdateFileRecord alsoMissing = makeFile("VK7102", 3, L"\u00fcber.bit");
    alsoMissing.IsMissing = true;
    setCatalogue({missing, present, alsoMissing});
    bool needed = true;
    EXPECT_EQ(captureStdout([&] { needed = reportMissingFiles(); }),
              "\nMissing Files:\n        fw\\gone.bin\n        \xc3\xbc"
              "ber.bit\n");
    EXPECT_FALSE(needed);
    file(2).IsNeeded = true;
    EXPECT_TRUE(reportMissingFiles());
}

TEST_F(PlanReportTest, NoMissingFileNoHeader) {
    setCatalogue({makeFile("VK7101", 1)});
    bool needed = true;
    EXPECT_EQ(captureStdout([&] { needed = reportMissingFiles(); }), "");
    EXPECT_FALSE(needed);
    setCatalogue({});
    EXPECT_FALSE(reportMissingFiles());
}

TEST_F(PlanReportTest, NeededFileThatIsPresentDoesNotCount) {
    UpdateFileRecord present = makeFile("VK7101", 1);
    present.IsNeeded = true;
    UpdateFileRecord missing = makeFile("VK7101", 1, L"m.bin");
    missing.IsMissing = true;
    setCatalogue({present, missing});
    captureStdout([&] { EXPECT_FALSE(reportMissingFiles()); });
}

// --- Update not required ---------------------------------------------------------------------

TEST_F(PlanReportTest, InstalledFilesOfSelectedBoardsAreListed) {
    UpdateFileRecord fw = makeFile("VK7101", 1);
    UpdateFileRecord bus = makeFile("VK7101", 3, L"bus\\fpga.rbf");
    bus.IsBusFpga = true;
    bus.TypeName = "FPGA file";
    UpdateFileRecord inactive = makeFile("VK7101", 7);
    inactive.IsSelected = false;
    setCatalogue({fw, bus, inactive});
    BoardRecord& named = addBoard("VK7101", 11);
    named.productName = "IO Router 16";
    addMatch(named, 0, true);
    addMatch(named, 1, true);
    addMatch(named, 2, true);  // not selected for the update: not listed
    BoardRecord& typeOnly = addBoard("VK7101", 12);
    addMatch(typeOnly, 0, true);
    addMatch(typeOnly, 1, false);
    BoardRecord& nameless = addBoard("", 13);
    addMatch(nameless, 0, true);
    EXPECT_EQ(captureStdout([&] { reportUpdateNotRequired(table, VkTCmdOptions()); }),
              "\nUpdate not required:\n"
              "        SN: 11 (IO Router 16), Type: Firmware\n"
              "        SN: 11 (IO Router 16), Type: FPGA file (bus\\fpga.rbf)\n"
              "        SN: 12 (VK7101), Type: Firmware\n"
              "        SN: 13 (), Type: Firmware\n");
}

TEST_F(PlanReportTest, UpdateNotRequiredLeavesOutUnselectedAndFailedBoards) {
    setCatalogue({makeFile("VK7101", 1)});
    BoardRecord& failed = addBoard("VK7101", 11);
    failed.failedPass = 2;
    addMatch(failed, 0, true);
    BoardRecord& other = addBoard("VK7101", 12);
    addMatch(other, 0, true);
    BoardRecord& invalid = addBoard("VK7101", 13);
    addMatch(invalid, -1, true);
    VkTCmdOptions options;
    options.serialNumbers = "11 13";
    EXPECT_EQ(captureStdout([&] { reportUpdateNotRequired(table, options); }), "");
}

// --- The plan --------------------------------------------------------------------------------

TEST_F(PlanReportTest, RowsForEveryMatchOfEveryBoard) {
    UpdateFileRecord fw = makeFile("VK7101", 1);
    fw.Version = VkCVersion("3.2.1");
    fw.UpdatePass = 2;
    UpdateFileRecord fpga = makeFile("VK7101", 3);
    fpga.UpdatePass = 1;
    setCatalogue({fw, fpga});
    BoardRecord& first = addBoard("VK7101", 4711);
    addMatch(first, 0);
    addMatch(first, 1, true);
    BoardRecord& unselected = addBoard("VK7101", 4712);
    addMatch(unselected, 0);
    VkTCmdOptions options;
    options.serialNumbers = "4711";
    EXPECT_EQ(plan(options),
              "\nUpdate not required:\n"
              "        SN: 4711 (VK7101), Type: FPGA firmware\n" +
                  kPlanHead +
                  "VK7101   (    4711) Y        Firmware         3.2.1          2\n"
                  "VK7101   (    4711) Y        FPGA firmware    1.0            -\n"
                  "VK7101   (    4712) N        Firmware         3.2.1          -\n");
}

TEST_F(PlanReportTest, LongValuesPushTheFollowingColumns) {
    UpdateFileRecord f = makeFile("VK7101EXTENDED", 4);
    f.Version = VkCVersion("255.255.255.255.65535.65535");
    f.UpdatePass = 12;
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101EXTENDED", 4294967295u);
    addMatch(board, 0);
    EXPECT_EQ(plan(), kPlanHead +
                          "VK7101EXTENDED (4294967295) Y        Factory FPGA firmware "
                          "255.255.255.255.65535.65535 12\n");
}

TEST_F(PlanReportTest, ShortValuesArePadded) {
    UpdateFileRecord f = makeFile("A", 9);
    f.TypeName = "";
    f.Version = VkCVersion();
    f.UpdatePass = 0;
    setCatalogue({f});
    BoardRecord& board = addBoard("A", 0);
    addMatch(board, 0);
    EXPECT_EQ(plan(),
              kPlanHead + "A        (       0) Y                         0.0            0\n");
}

TEST_F(PlanReportTest, VerboseOptionAddsThreeDetailLines) {
    UpdateFileRecord f = makeFile("VK7101", 3, L"fpga\\user.bit");
    f.Crc32Checksum = 0x12345678;
    f.HwType = 2;
    f.FwCompabilityId = 7;
    f.FpgaType = 5;
    f.MinHwCompatibilityId = 1;
    f.MaxSwCompatibilityId = 9;
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101", 5);
    addMatch(board, 0);
    VkTCmdOptions options;
    options.verbose = true;  // the options flag, not the module's trace switch
    EXPECT_EQ(plan(options),
              kPlanHead +
                  "VK7101   (       5) Y        FPGA firmware    1.0            1\n"
                  "    FileName: fpga\\user.bit\n"
                  "    Crc32Checksum: 305419896  HwType: 2  FwCompabilityId: 7  FpgaType: 5\n"
                  "    MinHwCompatibilityId: 1  MaxHwCompatibilityId: 4294967295  "
                  "MinSwCompatibilityId: 4294967295  MaxSwCompatibilityId: 9\n");
}

TEST_F(PlanReportTest, InvalidMatchPrintsAnErrorWithoutLineEnd) {
    setCatalogue({makeFile("VK7101", 1), makeFile("VK7101", 2)});
    BoardRecord& board = addBoard("VK7101", 5);
    addMatch(board, -1);
    addMatch(board, 0);
    EXPECT_EQ(plan(), kPlanHead +
                          "ERROR: File handle 0 for ROOT/IOROUTER[6] is invalid!"
                          "VK7101   (       5) Y        Firmware         1.0            1\n");
}

TEST_F(PlanReportTest, FailedBoardKeepsItsRowsAndBoardsWithoutMatchesHaveNone) {
    setCatalogue({makeFile("VK7101", 1)});
    BoardRecord& failed = addBoard("VK7101", 5);
    failed.failedPass = 1;
    addMatch(failed, 0, true);
    addBoard("VK7101", 6);
    EXPECT_EQ(plan(),
              kPlanHead + "VK7101   (       5) Y        Firmware         1.0            -\n");
}

TEST_F(PlanReportTest, PlanStartsWithMissingFiles) {
    UpdateFileRecord f = makeFile("VK7101", 1, L"gone.bin");
    f.IsMissing = true;
    setCatalogue({f});
    BoardRecord& board = addBoard("VK7101", 5);
    addMatch(board, 0);
    EXPECT_EQ(plan(), "\nMissing Files:\n        gone.bin\n" + kPlanHead +
                          "VK7101   (       5) Y        Firmware         1.0            1\n");
}

TEST_F(PlanReportTest, PlanGoesToTheHostMessageByMessage) {
    setCatalogue({makeFile("VK7101", 1)});
    BoardRecord& board = addBoard("VK7101", 5);
    addMatch(board, 0);
    recordEvents();
    moduleState().outputToHost = true;
    EXPECT_EQ(plan(), "");
    std::vector<std::string> texts;
    for (const ReceivedEvent& e : receivedEvents()) {
        texts.push_back(e.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "\n",
                         "Board               Selected FW Type          Version        Update "
                         "sequence\n",
                         "------------------------------------------------------------------------"
                         "----\n",
                         "VK7101   (       5) Y        Firmware         1.0            1\n"}));
}

}  // namespace
