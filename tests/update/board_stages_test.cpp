// The board update stages of a pass against a simulated target: start, status, errors and
// bus-FPGA files.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "VkNRtosAbstraction.h"
#include "sim/handles.h"
#include "support/host_recorder.h"
#include "update/board_update_stages.h"
#include "update/file_transfer.h"
#include "update/update_stage_fixture.h"

namespace {

using namespace update_test;

// The board label of the start stage, with the blanks that bring the status to column 56.
std::string labelLine(const std::string& label) {
    const std::string text = std::string(8, ' ') + label;
    return text + std::string(text.size() < 56 ? 56 - text.size() : text.size() - 56, ' ');
}

uint64_t sleptSoFar() {
    return VkNRtosAbstraction::requestedSleepMicroseconds();
}

class StartUpdates : public UpdateStageTest {
  protected:
    // Board 10 (VK7101) with two files of pass 1, board 11 (VK7102) with one; all transferred.
    void twoBoards(const std::string& faults = "[]") {
        setCatalogue({imageFile("VK7101", 1, "a.vkim"), imageFile("VK7101", 3, "b.vkim"),
                      imageFile("VK7102", 1, "c.vkim")});
        makeTarget({ioRouter("VK7101", 10), ioRouter("VK7102", 11)}, faults);
        addMatch(table[0], 0);
        addMatch(table[0], 1);
        addMatch(table[1], 2);
        printed([&] { transferFiles(run(), 1); });
    }
};

TEST_F(StartUpdates, StatusStartsInColumn56AfterShortAndLongLabels) {
    const std::string longType = "VK7101-" + std::string(43, 'X');
    setCatalogue({imageFile("VK7101", 1, "a.vkim"), imageFile(longType.c_str(), 1, "b.vkim")});
    makeTarget({ioRouter("VK7101", 10), ioRouter(longType.c_str(), 11)});
    addMatch(table[0], 0);
    addMatch(table[1], 1);
    printed([&] { transferFiles(run(), 1); });
    const uint64_t before = sleptSoFar();

    EXPECT_EQ(printed([&] { startUpdates(run(), 1); }),
              "\nUpdating:\n" + labelLine("VK7101, SN: 10: Firmware") + "\n" +
                  labelLine(longType + ", SN: 11: Firmware") + "\n");
    EXPECT_EQ(run().startedCount, 2u);
    EXPECT_EQ(sleptSoFar() - before, 2 * 500000u);
}

TEST_F(StartUpdates, AFailedStartFailsTheBoardWhoseLaterFilesStillStart) {
    twoBoards(R"([{"call": "update", "match": "10", "times": 1}])");
    table[1].failedPass = 1;
    HostRecorder host([](const ParameterSet& e) { return e.eventCode == 26 ? 1u : 7u; });

    EXPECT_EQ(printed([&] { startUpdates(run(), 1); }),
              "\nUpdating:\n" + labelLine("VK7101, SN: 10: Firmware") + "[ERROR]\n" +
                  labelLine("VK7101, SN: 10: FPGA firmware") + "\n");
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{0, 26, 28, 26, 12, 10}));
    const ParameterSet failed = host.withCode(28).at(0);
    EXPECT_EQ(std::vector<uint32_t>({failed.value1, failed.value2, failed.value3, failed.value4}),
              (std::vector<uint32_t>{7, 1, 0, 0}));
    EXPECT_EQ(host.withCode(12).at(0).value1, 1u);
    EXPECT_EQ(table[0].failedPass, 1u);
    EXPECT_EQ(table[0].fileFailed[0], 1);
    EXPECT_EQ(table[0].fileFailed[1], 0);
    EXPECT_EQ(run().startedCount, 1u);
}

TEST_F(StartUpdates, AVetoedFileIsNotStarted) {
    twoBoards();
    HostRecorder host([](const ParameterSet& e) {
        return e.eventCode == 26 && e.value3 == 0 && e.value4 == 0 ? 2u : 1u;
    });
    EXPECT_EQ(printed([&] { startUpdates(run(), 1); }),
              "\nUpdating:\n" + labelLine("VK7101, SN: 10: FPGA firmware") + "\n" +
                  labelLine("VK7102, SN: 11: Firmware") + "\n");
    EXPECT_EQ(run().startedCount, 2u);
    EXPECT_EQ(table[0].fileFailed[0], 0);
}

struct StatusCase {
    const char* name;
    const char* faults;
    uint32_t stallSeconds;
    bool vetoStatus;  // the host vetoes every file of the status and error stages
    bool updated;
    bool failed;
    const char* closing;
    size_t endedEvents;  // event 25
    std::string boardError;
};

class StatusAndErrors : public UpdateStageTest, public ::testing::WithParamInterface<StatusCase> {};

// One started file of board 10: the status stage follows it to its end, the error stage
// closes the (silent) progress line.
TEST_P(StatusAndErrors, DecideTheFileAndTheBoard) {
    const StatusCase& c = GetParam();
    setCatalogue({imageFile("VK7101", 1, "a.vkim")});
    makeTarget({ioRouter("VK7101", 10)}, c.faults, 2);
    addMatch(table[0], 0);
    options.silent = true;
    run().stallLimitSeconds = c.stallSeconds;
    printed([&] {
        transferFiles(run(), 1);
        startUpdates(run(), 1);
    });
    ASSERT_EQ(run().startedCount, 1u);
    HostRecorder host(
        [&](const ParameterSet& e) { return e.eventCode == 26 ? (c.vetoStatus ? 2u : 1u) : 0u; });

    const std::string output = printed([&] {
        pollUpdateStatus(run(), 1);
        collectUpdateErrors(run(), 1);
    });
    EXPECT_EQ(output, "\n" + std::string(56, ' ') + c.closing) << c.name;
    const BoardRecord& board = table[0];
    EXPECT_EQ(board.fileUpdated[0], c.updated ? 1 : 0) << c.name;
    EXPECT_EQ(board.fileFailed[0], c.failed ? 1 : 0) << c.name;
    EXPECT_EQ(board.failedPass, c.failed ? 1u : 0u) << c.name;
    EXPECT_EQ(run().finishedCount, 1u) << c.name;
    EXPECT_EQ(host.withCode(25).size(), c.endedEvents) << c.name;
    EXPECT_EQ(host.withCode(13).size(), 1u) << c.name;
    const uint32_t entries = board.errorPool->getEntryCount();
    EXPECT_EQ(entries == 0 ? "" : board.errorPool->getErrorText(entries - 1).str(), c.boardError)
        << c.name;
}

const std::string kQueryFailed =
    "updateStatus failed (simulated fault faults[0] of target \"stages\").";
const std::string kStalled =
    "Update of Firmware on device with S/N 10 made no progress for 1 "
    "seconds.";

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusAndErrors,
    ::testing::Values(
        StatusCase{"finished", "[]", 0, false, true, false, "[OK]\n", 1, ""},
        // The failed query leaves its error in the board's pool: the error stage fails it.
        StatusCase{"one failed query", R"([{"call": "updateStatus", "times": 1}])", 0, false, false,
                   true, "[ERROR]\n", 1, kQueryFailed},
        StatusCase{"two failed queries", R"([{"call": "updateStatus", "times": 2}])", 0, false,
                   false, true, "[ERROR]\n", 0, kQueryFailed},
        StatusCase{"ended with status 0", R"([{"call": "updateStatus", "status": 0}])", 0, false,
                   false, true, "[ERROR]\n", 1, ""},
        StatusCase{"ended with status 3", R"([{"call": "updateStatus", "status": 3}])", 0, false,
                   false, true, "[ERROR]\n", 1, ""},
        StatusCase{"stalled", R"([{"call": "updateStatus", "status": 1}])", 1, false, false, true,
                   "[ERROR]\n", 1, kStalled},
        StatusCase{"vetoed until the stall limit", "[]", 1, true, false, true, "[ERROR]\n", 1,
                   kStalled}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return std::to_string(info.index); });

TEST(UpdatePercent, CountsATotalOf0As1AndNeverOverflows) {
    EXPECT_EQ(updatePercent(1, 4), 25u);
    EXPECT_EQ(updatePercent(3, 0), 300u);
    EXPECT_EQ(updatePercent(0xFFFFFFFFu, 0xFFFFFFFFu), 100u);
}

TEST_F(StartUpdates, WithoutStartsTheStatusAndErrorStagesPrintNothing) {
    twoBoards();
    HostRecorder host;
    EXPECT_EQ(printed([&] {
                  pollUpdateStatus(run(), 1);
                  collectUpdateErrors(run(), 1);
              }),
              "");
    EXPECT_EQ(host.codes({26, 30}), (std::vector<uint32_t>{0, 10, 0, 10}));
}

class BusFpgaUpdate : public UpdateStageTest {
  protected:
    UpdateFileRecord busFile(const std::string& name, const std::string& targetName) {
        UpdateFileRecord file = imageFile("VK7101", 3, name);
        file.IsBusFpga = true;
        file.TypeName = "FPGA file";
        file.TargetFileName = targetName.c_str();
        return file;
    }
    void oneBoard(const std::vector<UpdateFileRecord>& files, const std::string& faults = "[]") {
        setCatalogue(files);
        makeTarget({ioRouter("VK7101", 10)}, faults);
        for (size_t k = 0; k < files.size(); ++k) {
            addMatch(table[0], static_cast<int32_t>(k));
        }
    }
    std::string lastError() const {
        return pool.getEntryCount() == 0 ? "" : pool.getErrorText(pool.getEntryCount() - 1).str();
    }
};

TEST_F(BusFpgaUpdate, MakesMissingFoldersAfterAFirstAttemptThatLeavesNoError) {
    oneBoard({busFile("bus.bit", "fpga/v2/bus.bit")});
    HostRecorder host;
    const uint64_t before = sleptSoFar();
    EXPECT_EQ(printed([&] { updateBusFpgaFiles(run(), 1); }),
              "\nUpdating files:\n" + updateLine("bus.bit", "[OK]"));
    EXPECT_EQ(pool.getErrorCount(), 0u) << lastError();
    EXPECT_TRUE(std::filesystem::exists(target->cfdriveFile("fpga/v2/bus.bit")));
    EXPECT_TRUE(table[0].filesUpdateOk);
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{0, 30, 22, 10}));
    EXPECT_EQ(sleptSoFar() - before, 3000000u);
}

struct BusFpgaFailure {
    const char* name;
    const char* faults;
    std::string targetName;
    std::string error;  // the pool's last entry
};

class BusFpgaFailures : public BusFpgaUpdate,
                        public ::testing::WithParamInterface<BusFpgaFailure> {};

TEST_P(BusFpgaFailures, FailOnlyThatFileWithOneErrorStatus) {
    const BusFpgaFailure& c = GetParam();
    oneBoard({busFile("bus.bit", c.targetName)}, c.faults);
    const size_t errorLists = VkCErrorManager::getInstance().getErrorListCount();
    EXPECT_EQ(printed([&] { updateBusFpgaFiles(run(), 1); }),
              "\nUpdating files:\n" + updateLine("bus.bit", "[ERROR]"))
        << c.name;
    EXPECT_EQ(lastError(), c.error) << c.name;
    EXPECT_TRUE(table[0].filesUpdateFailed) << c.name;
    EXPECT_EQ(table[0].fileFailed[0], 1) << c.name;
    EXPECT_EQ(table[0].failedPass, 0u) << c.name;
    EXPECT_EQ(vksim::openFtClientCount(), 0u) << c.name << ": every client is released";
    EXPECT_EQ(VkCErrorManager::getInstance().getErrorListCount(), errorLists) << c.name;
}

const std::string kWriteFailed =
    "Updating file 'bus.bit' failed. Please reboot your device and restart the update!";

INSTANTIATE_TEST_SUITE_P(
    Cases, BusFpgaFailures,
    ::testing::Values(
        BusFpgaFailure{"no folder can be made", R"([{"call": "makeDir"}])", "fpga/bus.bit",
                       kWriteFailed},
        BusFpgaFailure{"second attempt fails", R"([{"call": "renameFile"}])", "new/bus.bit",
                       kWriteFailed},
        BusFpgaFailure{"client not deleted", R"([{"call": "deleteFTClientHandle"}])", "bus.bit",
                       kWriteFailed},
        BusFpgaFailure{"no client", R"([{"call": "createFTClientHandle"}])", "bus.bit",
                       "VkLnk_createFTClientHandle failed (simulated fault faults[0] of target "
                       "\"stages\")."},
        BusFpgaFailure{"target name too long", "[]", std::string(239, 'n'),
                       "Updating file 'bus.bit' failed: its target file name is too long for the "
                       "CN drive (239 characters, at most 238)."}),
    [](const ::testing::TestParamInfo<BusFpgaFailure>& info) {
        return std::to_string(info.index);
    });

TEST_F(BusFpgaUpdate, AnExceptionFailsOnlyTheFileAtHand) {
    oneBoard({busFile("first.bit", "first.bit"), busFile("second.bit", "second.bit")});
    bool thrown = false;
    HostRecorder host([&](const ParameterSet& e) -> uint32_t {
        if (e.eventCode == 30 && !thrown) {
            thrown = true;
            throw std::runtime_error("host failure");
        }
        return 0;
    });
    EXPECT_EQ(printed([&] { updateBusFpgaFiles(run(), 1); }),
              "\nUpdating files:\n" + updateLine("first.bit", "[ERROR]") +
                  updateLine("second.bit", "[OK]"));
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{0, 30, 8, 30, 22, 10}));
    EXPECT_EQ(table[0].fileFailed[0], 1);
    EXPECT_EQ(table[0].fileFailed[1], 0);
    EXPECT_EQ(vksim::openFtClientCount(), 0u);
}

}  // namespace
