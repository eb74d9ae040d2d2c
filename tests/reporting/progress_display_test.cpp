// The progress thread: its percentage, its line, its events and its stop. The host callback
// runs on the thread and steers how many cycles run.
#include "reporting/progress_display.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "inventory/board_table.h"
#include "support/captured_output.h"
#include "support/host_recorder.h"

namespace {

enum File { Updated, Failed, Running, UpToDate, NotCounted };

// A line of the display: the text in 56 columns, then a carriage return.
std::string line(const std::string& text) {
    return text + std::string(56 - text.size(), ' ') + "\r";
}
const std::string kFinal = "100%" + std::string(52, ' ');

struct Display {
    // One board whose matches are these files, at 40 % of its running ones.
    explicit Display(const std::vector<File>& files = {}) {
        BoardRecord& board = appendBoardRecord(table, static_cast<uint32_t>(files.size()));
        for (size_t k = 0; k < files.size(); ++k) {
            board.matchFiles[k] = static_cast<int32_t>(k);
            board.fileUpdated[k] = files[k] == Updated;
            board.fileFailed[k] = files[k] == Failed;
            board.fileUpToDate[k] = files[k] == UpToDate;
            counted.push_back(files[k] != NotCounted);
        }
        board.matchCount = static_cast<uint32_t>(files.size());
        board.updateProgress = 40;
        moduleState().spinnerIndex = 0;
    }
    ~Display() { freeBoardTable(table); }
    // Runs the display until the host stops it (or, with stopAtOnce, stops it at once).
    std::string run(bool stopAtOnce = false) {
        ProgressContext context{&table, &options, &counted};
        return captureOutput([&] {
                   VkCErrorListPool pool;
                   VkNRtosAbstraction::ThreadHandle thread = nullptr;
                   EXPECT_TRUE(startProgressDisplay(pool, context, thread));
                   while (!stopAtOnce && moduleState().progressRunning) {
                       std::this_thread::yield();
                   }
                   stopProgressDisplay(thread);
                   return 0;
               })
            .out;
    }

    BoardTable table;
    std::vector<uint8_t> counted;
    VkTCmdOptions options;
};

// A host that ends the display once it has seen `cycles` events of code.
HostRecorder::Answer stopAfter(uint32_t code, int cycles) {
    auto seen = std::make_shared<std::atomic<int>>(0);
    return [=](const ParameterSet& e) -> uint32_t {
        if (e.eventCode == code && ++*seen == cycles) {
            moduleState().progressRunning = false;
        }
        return e.eventCode == EvStageOpen ? 9 : 0;
    };
}

TEST(ProgressDisplay, AveragesTheCountedFilesOfBoardsThatGoOn) {
    const struct {
        std::vector<File> files;
        uint32_t percent;
        size_t fileEvents;  // one per running file
    } cases[] = {{{Updated, Failed, Running}, 80, 1},
                 {{Updated, Failed, Running, Running}, 70, 2},
                 {{Running, UpToDate, NotCounted}, 40, 1},
                 {{UpToDate}, 0, 0}};
    for (const auto& c : cases) {
        Display display(c.files);
        HostRecorder host(stopAfter(EvProgress, 1));
        EXPECT_EQ(display.run(), line(std::to_string(c.percent) + "% -         ") + kFinal);
        const std::vector<ParameterSet> progress = host.withCode(EvProgress);
        ASSERT_EQ(progress.size(), 1u);
        EXPECT_EQ(progress[0].value1, 9u);
        EXPECT_EQ(progress[0].value2, c.percent);
        EXPECT_EQ(host.withCode(EvFileProgress).size(), c.fileEvents);
        EXPECT_EQ(host.codes({EvFileProgress}),
                  (std::vector<uint32_t>{EvStageOpen, EvProgress, EvStageClose}));
        EXPECT_EQ(moduleState().progressPercent, 0u) << "reset when the display stops";
    }
}

TEST(ProgressDisplay, TheSpinnerTurnsWhileNothingIsCounted) {
    Display display;
    HostRecorder host(stopAfter(EvProgress, 5));
    EXPECT_EQ(display.run(), line("0% -         ") + line("0% \\         ") +
                                 line("0% |         ") + line("0% /         ") +
                                 line("0% -         ") + kFinal);
}

// The stage stops the display while the host still thinks about the stage's opening.
TEST(ProgressDisplay, AStopBeforeTheHostAnswersSkipsTheCycles) {
    Display display({Running});
    HostRecorder host([](const ParameterSet& e) -> uint32_t {
        while (e.eventCode == EvStageOpen && moduleState().progressRunning) {
            std::this_thread::yield();
        }
        return 0;
    });
    EXPECT_EQ(display.run(true), kFinal);
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{EvStageOpen, EvStageClose}));
}

}  // namespace
