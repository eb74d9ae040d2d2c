// The progress thread: its percentage, its line, its events and its stop. The host callback
// runs on the thread and steers how many cycles run.
#include "reporting/progress_display.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "inventory/board_table.h"
#include "support/host_recorder.h"

namespace {

enum class File { Updated, Failed, Running, UpToDate, NotCounted };

// A line of the display: the text in 56 columns, then a carriage return.
std::string progressLine(const std::string& text) {
    return text + std::string(56 - text.size(), ' ') + "\r";
}

class ProgressDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        ModuleState& state = moduleState();
        state.outputToHost = false;
        state.progressPercent = 0;
        state.spinnerIndex = 0;
        state.boardCount = 0;
    }
    void TearDown() override {
        freeBoardTable(table);
        moduleState().boardCount = 0;
    }

    // One board whose matches are these files, with the board's progress.
    void board(const std::vector<File>& files, uint32_t progress) {
        BoardRecord& record = appendBoardRecord(table, static_cast<uint32_t>(files.size()));
        moduleState().boardCount = static_cast<uint32_t>(table.size());
        counted.assign(files.size(), 1);
        for (size_t k = 0; k < files.size(); ++k) {
            record.matchFiles[k] = static_cast<int32_t>(k);
            record.fileUpdated[k] = files[k] == File::Updated;
            record.fileFailed[k] = files[k] == File::Failed;
            record.fileUpToDate[k] = files[k] == File::UpToDate;
            counted[k] = files[k] == File::NotCounted ? 0 : 1;
        }
        record.matchCount = static_cast<uint32_t>(files.size());
        record.updateProgress = progress;
    }

    // Runs the display until the host's stop rule says so; what it printed.
    std::string display() {
        ProgressContext context{&table, &options, &counted};
        testing::internal::CaptureStdout();
        VkCErrorListPool pool;
        VkNRtosAbstraction::ThreadHandle thread = nullptr;
        EXPECT_TRUE(startProgressDisplay(pool, context, thread));
        while (moduleState().progressRunning) {
            std::this_thread::yield();
        }
        stopProgressDisplay(thread);
        return testing::internal::GetCapturedStdout();
    }

    // A host that ends the display once it has seen `cycles` events of code.
    static HostRecorder::Answer stopAfter(uint32_t code, int cycles) {
        auto seen = std::make_shared<std::atomic<int>>(0);
        return [=](const ParameterSet& e) -> uint32_t {
            if (e.eventCode == code && ++*seen == cycles) {
                moduleState().progressRunning = false;
            }
            return e.eventCode == 0 ? 9 : 0;
        };
    }

    BoardTable table;
    std::vector<uint8_t> counted;
    VkTCmdOptions options;
};

const std::string kFinal = "100%" + std::string(52, ' ');

struct PercentCase {
    std::vector<File> files;
    uint32_t percent;
    size_t fileEvents;  // event 30, one per running file
};

class Percentages : public ProgressDisplay, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(Percentages, AverageTheCountedFilesOfBoardsThatGoOn) {
    board(GetParam().files, 40);
    HostRecorder host(stopAfter(24, 1));
    EXPECT_EQ(display(),
              progressLine(std::to_string(GetParam().percent) + "% -         ") + kFinal);
    const std::vector<ParameterSet> progress = host.withCode(24);
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].value1, 9u);
    EXPECT_EQ(progress[0].value2, GetParam().percent);
    EXPECT_EQ(host.withCode(30).size(), GetParam().fileEvents);
    EXPECT_EQ(host.codes({30}), (std::vector<uint32_t>{0, 24, 10}));
    EXPECT_EQ(moduleState().progressPercent, 0u) << "reset when the display stops";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Percentages,
    ::testing::Values(PercentCase{{File::Updated, File::Failed, File::Running}, 80, 1},
                      PercentCase{
                          {File::Updated, File::Failed, File::Running, File::Running}, 70, 2},
                      PercentCase{{File::Running, File::UpToDate, File::NotCounted}, 40, 1},
                      PercentCase{{File::UpToDate}, 0, 0}));

TEST_F(ProgressDisplay, TheSpinnerTurnsWhileNothingIsCounted) {
    HostRecorder host(stopAfter(24, 5));
    EXPECT_EQ(display(), progressLine("0% -         ") + progressLine("0% \\         ") +
                             progressLine("0% |         ") + progressLine("0% /         ") +
                             progressLine("0% -         ") + kFinal);
}

TEST_F(ProgressDisplay, SilentShowsNoLineButSendsTheStageAndFileEvents) {
    options.silent = true;
    board({File::Running}, 40);
    HostRecorder host(stopAfter(30, 1));
    EXPECT_EQ(display(), std::string(56, ' '));
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{0, 30, 10}));
}

// The stage stops the display while the host still thinks about event 0.
TEST_F(ProgressDisplay, AStopBeforeTheHostAnswersSkipsTheCycles) {
    board({File::Running}, 40);
    HostRecorder host([](const ParameterSet& e) -> uint32_t {
        while (e.eventCode == 0 && moduleState().progressRunning) {
            std::this_thread::yield();
        }
        return 0;
    });
    ProgressContext context{&table, &options, &counted};
    testing::internal::CaptureStdout();
    VkCErrorListPool pool;
    VkNRtosAbstraction::ThreadHandle thread = nullptr;
    ASSERT_TRUE(startProgressDisplay(pool, context, thread));
    stopProgressDisplay(thread);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kFinal);
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{0, 10}));
}

}  // namespace
