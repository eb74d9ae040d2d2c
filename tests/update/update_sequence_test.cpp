// The update sequence against a simulated target, and the results report.
#include <gtest/gtest.h>

#include <filesystem>

#include "VkNInventoryIDs.h"
#include "reporting/format.h"
#include "support/host_recorder.h"
#include "update/results_report.h"
#include "update/update_sequence.h"
#include "update/update_stage_fixture.h"

namespace {

using namespace update_test;
namespace Ids = VkNInventoryIDs;

const char* const kSuccess = "\nResults:\n\n    Update completed successfully!\n";

class UpdateSequence : public UpdateStageTest {
  protected:
    void SetUp() override {
        UpdateStageTest::SetUp();
        lockTarget = false;
        options.silent = true;
    }
    // A processing unit, its communication node and an I/O router.
    void nodesAndRouter(const std::string& faults = "[]") {
        makeTarget({{"VKx86_32", 1, Ids::HCN}, {"VK7120", 2, Ids::CN}, ioRouter("VK4360", 3)},
                   faults);
    }
    int32_t update(std::string& output) {
        int32_t result = -1;
        output = printed(
            [&] { result = runUpdateSequence(pool, root, options, table, target->device()); });
        return result;
    }
    size_t stagedCopies() const {
        const std::string staging = scratch.file("targets/stages/staging");
        if (!std::filesystem::exists(staging)) {
            return 0;
        }
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(staging),
                                                 std::filesystem::directory_iterator()));
    }
    // What a new scan gives the next run: boards without the outcome of this one.
    void forgetOutcome() {
        for (BoardRecord& board : table) {
            board.failedPass = 0;
            for (size_t i = 0; i < board.fileFailed.size(); ++i) {
                board.fileFailed[i] = 0;
                board.fileUpdated[i] = 0;
            }
        }
    }
};

TEST_F(UpdateSequence, WithoutPassesStillLocksClosesTheNodesAndUnlocks) {
    setCatalogue({});
    nodesAndRouter();
    moduleState().verboseOutput = true;
    HostRecorder host([](const ParameterSet& e) { return e.eventCode == 1 ? 5u : 0u; });
    std::string output;
    EXPECT_EQ(update(output), 0);
    EXPECT_EQ(output, "updateFinish() called for ROOT/HCN.\nupdateFinish() called for ROOT/CN.\n" +
                          std::string(kSuccess));
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{1, 15, 16}));
    EXPECT_EQ(host.withCode(16).at(0).value1, 5u);
    VkTLockHandle again = nullptr;
    VkCInventoryManager::getInstance()->lock(pool, root, table[0].address, 0x10003, again);
    EXPECT_EQ(pool.getErrorCount(), 0u) << "the target stayed locked";
    VkCInventoryManager::getInstance()->unlock(pool, again);
}

TEST_F(UpdateSequence, ALockFailureEndsTheRunAtOnceWithoutOutput) {
    setCatalogue({});
    nodesAndRouter(R"([{"call": "lock"}])");
    HostRecorder host;
    std::string output;
    EXPECT_EQ(update(output), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(host.codes(), std::vector<uint32_t>{1});
}

TEST_F(UpdateSequence, ABootLoaderFailureEndsTheUpdateAfterThatStage) {
    UpdateFileRecord bootLoader = imageFile("VKx86_32", 10, "boot.bin", "2.0", 0);
    bootLoader.IsBootLoader = true;
    bootLoader.IsMissing = true;
    setCatalogue({imageFile("VKx86_32", 1, "fw.vkim", "5.0", 1), bootLoader,
                  imageFile("VK4360", 1, "io.vkim", "2.4", 2)});
    moduleState().maxUpdatePass = 2;
    nodesAndRouter();
    addMatch(table[0], 0);
    addMatch(table[0], 1);
    addMatch(table[2], 2);
    table[0].hasBootloader = true;
    moduleState().verboseOutput = true;
    HostRecorder host;
    std::string output;
    EXPECT_EQ(update(output), 1);
    EXPECT_EQ(output.find("Updating:"), std::string::npos) << output;
    EXPECT_NE(output.find("updateFinish() called for ROOT/HCN.\nupdateFinish() called for "
                          "ROOT/CN.\n\nResults:\n    ERROR: VKx86_32, SN 1: BootLoader\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{1, 14, 15, 16}));
    EXPECT_EQ(stagedCopies(), 0u);
}

// Two runs in one process: the first stops after its pass-1 transfer, the second (the fault
// used up) updates everything, pass after pass, and leaves no copy on the target.
TEST_F(UpdateSequence, ATransferStopEndsOnlyTheRunItHappensIn) {
    setCatalogue({imageFile("VKx86_32", 1, "fw.vkim", "5.0", 1),
                  imageFile("VK4360", 1, "io.vkim", "2.4", 2)});
    moduleState().maxUpdatePass = 2;
    nodesAndRouter(
        R"([{"call": "transferFile", "match": "fw.vkim", "errorCode": "0x0140003B", "times": 1}])");
    addMatch(table[0], 0);
    addMatch(table[2], 1);
    std::string output;
    EXPECT_EQ(update(output), 1);
    EXPECT_EQ(output.find("Updating:"), std::string::npos) << output;
    EXPECT_NE(output.find("    ERROR: VKx86_32, SN 1: Firmware\n"), std::string::npos) << output;

    forgetOutcome();
    pool.reset();
    EXPECT_EQ(update(output), 0) << output;
    EXPECT_NE(output.find(kSuccess), std::string::npos) << output;
    EXPECT_EQ(table[0].fileUpdated[0], 1);
    EXPECT_EQ(table[2].fileUpdated[0], 1);
    EXPECT_EQ(stagedCopies(), 0u);
}

TEST_F(UpdateSequence, ATransferStopInALaterPassDoesNotStopTheRun) {
    setCatalogue({imageFile("VKx86_32", 1, "fw.vkim", "5.0", 2),
                  imageFile("VK4360", 1, "io.vkim", "2.4", 2)});
    moduleState().maxUpdatePass = 2;
    nodesAndRouter(R"([{"call": "transferFile", "match": "fw.vkim", "errorCode": "0x0140003B"}])");
    addMatch(table[0], 0);
    addMatch(table[2], 1);
    std::string output;
    EXPECT_EQ(update(output), 1);
    EXPECT_EQ(table[2].fileUpdated[0], 1) << output;
}

struct ResultsCase {
    const char* name;
    bool missingFlag;
    std::vector<int32_t> failedMatches;  // match positions of board 10 marked failed
    bool boardError;                     // board 10's pool holds an error
    int32_t result;
    std::string output;
};

class Results : public planning_test::PlanningTest,
                public ::testing::WithParamInterface<ResultsCase> {};

TEST_P(Results, ListFailedFilesPerBoardAndDecideTheRun) {
    const ResultsCase& c = GetParam();
    UpdateFileRecord bootLoader = planning_test::makeFile("VK7101", 10);
    bootLoader.IsBootLoader = true;
    bootLoader.TypeName = "BootLoader";
    setCatalogue(
        {planning_test::makeFile("VK7101", 1), planning_test::makeFile("VK7101", 3), bootLoader});
    BoardRecord& board = addBoard("VK7101", 10);
    addBoard("VK7102", 11);
    for (int32_t k = 0; k < 3; ++k) {
        addMatch(board, k);
    }
    for (const int32_t i : c.failedMatches) {
        board.fileFailed[static_cast<size_t>(i)] = 1;
    }
    board.errorPool->reset();
    if (c.boardError) {
        board.errorPool->setError(0x2A, 0, "The update of part 1 failed.", 10, 1, "test", "");
    }
    int32_t result = -1;
    EXPECT_EQ(planning_test::captureStdout([&] { result = reportResults(table, c.missingFlag); }),
              c.output)
        << c.name;
    EXPECT_EQ(result, c.result) << c.name;
}

const std::string kFailedRun = "\n    Update failed due to errors!\n";
const std::string kBoardErrors =
    "       ERROR 0x2a (reported by S/N 10):\n          The update of part 1 failed.\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Results,
    ::testing::Values(
        ResultsCase{"nothing failed", false, {}, false, 0, kSuccess},
        ResultsCase{"errors of a board without failed files", false, {}, true, 0, kSuccess},
        ResultsCase{"missing files only",
                    true,
                    {},
                    false,
                    1,
                    "\nResults:\n" + kFailedRun + "      Missing files in the source folder!\n"},
        ResultsCase{"two failed files and the board's errors",
                    false,
                    {0, 1},
                    true,
                    1,
                    "\nResults:\n    ERROR: VK7101, SN 10: Firmware, FPGA firmware\n" +
                        kBoardErrors + kFailedRun},
        ResultsCase{"a failed boot loader",
                    false,
                    {2},
                    false,
                    1,
                    "\nResults:\n    ERROR: VK7101, SN 10: BootLoader\n" + kFailedRun}),
    [](const ::testing::TestParamInfo<ResultsCase>& info) { return std::to_string(info.index); });

}  // namespace
