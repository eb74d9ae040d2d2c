// pollUpdateStatus: follows the started updates of a pass to their end.
#include <cstdlib>
#include <string>

#include "VkNRtosAbstraction.h"
#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/host_events.h"
#include "reporting/progress_display.h"
#include "update/board_update_stages.h"

namespace {

constexpr uint32_t kDefaultStallSeconds = 600;
constexpr uint64_t kSweepsPerSecond = 1000000 / kSweepPauseMicroseconds;
// Failed status queries in a row that fail the file and the board.
constexpr uint32_t kFailedQueryLimit = 2;

// What the stage last saw of one started update, to tell when it stopped moving.
struct Observation {
    bool seen = false;
    uint32_t status = 0;
    uint32_t done = 0;
    uint32_t total = 0;
    uint64_t unchangedSweeps = 0;
};

struct StatusAnswer {
    VkNInventoryManager::EUpdateStatus status = VkNInventoryManager::UpdateFailed;
    uint32_t done = 0;
    uint32_t total = 0;
};

// The state of one call of the stage.
struct Poll {
    UpdateRun& run;
    uint32_t pass;
    uint32_t stageContext;
    std::vector<std::vector<Observation>> observed;  // [board][match]
    bool lastSweep = false;
};

bool isRunning(const UpdateRun& run, const BoardRecord& board, size_t i, int32_t k) {
    return run.transferred[static_cast<size_t>(k)] && !matchFlag(board.fileFailed, i) &&
           !matchFlag(board.fileUpdated, i);
}

void countEnded(Poll& poll) {
    ++poll.run.finishedCount;
    if (poll.run.finishedCount == poll.run.startedCount) {
        poll.lastSweep = true;
    }
}

void failFile(Poll& poll, BoardRecord& board, size_t i) {
    board.failedPass = poll.pass;
    setMatchFlag(board.fileFailed, i);
}

void noteAnswer(Observation& seen, const StatusAnswer& answer) {
    const bool changed = !seen.seen || seen.status != answer.status || seen.done != answer.done ||
                         seen.total != answer.total;
    seen = Observation{true, answer.status, answer.done, answer.total,
                       changed ? 0 : seen.unchangedSweeps + 1};
}

// An update that showed no progress for the stall limit fails like one the target ended.
void checkStall(Poll& poll, size_t b, size_t i, const UpdateFileRecord& file) {
    const uint32_t limit = poll.run.stallLimitSeconds;
    if (limit == 0 || poll.observed[b][i].unchangedSweeps < limit * kSweepsPerSecond) {
        return;
    }
    BoardRecord& board = poll.run.table[b];
    board.errorPool->setError(0, 0,
                              "Update of %1 on device with S/N %2 made no progress for %3 seconds.",
                              board.serialNumber, __LINE__, "pollUpdateStatus", "%s%u%u",
                              file.TypeName.c_str(), board.serialNumber, limit);
    failFile(poll, board, i);
    sendEvent(EvUpdateEnded, static_cast<uint32_t>(b), static_cast<uint32_t>(i));
    countEnded(poll);
}

void takeAnswer(Poll& poll, size_t b, size_t i, const StatusAnswer& answer) {
    BoardRecord& board = poll.run.table[b];
    board.statusPollFailures = 0;
    board.updateProgress = updatePercent(answer.done, answer.total);
    if (answer.status == VkNInventoryManager::UpdateRunning) {
        noteAnswer(poll.observed[b][i], answer);
        return;
    }
    if (answer.status == VkNInventoryManager::UpdateFinished) {
        board.updateFinished = true;
        setMatchFlag(board.fileUpdated, i);
    } else {
        failFile(poll, board, i);
    }
    sendEvent(EvUpdateEnded, static_cast<uint32_t>(b), static_cast<uint32_t>(i));
    countEnded(poll);
}

// One failed query changes nothing; the second in a row fails the file and the board.
void takeFailedQuery(Poll& poll, size_t b, size_t i) {
    BoardRecord& board = poll.run.table[b];
    ++board.statusPollFailures;
    if (board.statusPollFailures >= kFailedQueryLimit) {
        failFile(poll, board, i);
        countEnded(poll);
        return;
    }
    ++poll.observed[b][i].unchangedSweeps;
}

void queryStatus(Poll& poll, size_t b, size_t i) {
    BoardRecord& board = poll.run.table[b];
    VkCErrorListPool& boardPool = *board.errorPool;
    const uint32_t before = boardPool.getErrorCount();
    StatusAnswer answer;
    VkNInventoryManager::FirmwareType type = VkNInventoryManager::FwUnknown;
    VkCInventoryManager::getInstance()->updateStatus(
        boardPool, poll.run.root, board.address, answer.status, type, answer.done, answer.total);
    if (boardPool.getErrorCount() == before) {
        takeAnswer(poll, b, i, answer);
    } else {
        takeFailedQuery(poll, b, i);
    }
}

void sweepBoard(Poll& poll, size_t b) {
    BoardRecord& board = poll.run.table[b];
    for (size_t i = 0; i < matchesOf(board); ++i) {
        const bool allowed = hostAllowsFile(poll.stageContext, 1, static_cast<uint32_t>(b),
                                            static_cast<uint32_t>(i));
        const int32_t k = matchedFile(board, i);
        const UpdateFileRecord* file = catalogueEntry(k);
        if (file == nullptr || matchFlag(board.fileUpToDate, i) ||
            !isRunning(poll.run, board, i, k)) {
            continue;
        }
        if (allowed) {
            queryStatus(poll, b, i);
        } else {
            ++poll.observed[b][i].unchangedSweeps;  // a vetoed update is not seen to move
        }
        if (isRunning(poll.run, board, i, k)) {
            checkStall(poll, b, i, *file);
        }
    }
}

void sweep(Poll& poll) {
    const size_t count = boardsInRun(poll.run.table);
    for (size_t b = 0; b < count; ++b) {
        const BoardRecord& board = poll.run.table[b];
        if (isBoardSelected(board, poll.run.options) && board.matchCount > 0) {
            sweepBoard(poll, b);
        }
    }
}

std::vector<std::vector<Observation>> noObservations(const BoardTable& table) {
    std::vector<std::vector<Observation>> observed;
    observed.reserve(table.size());
    for (const BoardRecord& board : table) {
        observed.emplace_back(board.matchFiles.size());
    }
    return observed;
}

}  // namespace

uint32_t updatePercent(uint32_t done, uint32_t total) {
    const uint64_t divisor = total == 0 ? 1 : total;
    return static_cast<uint32_t>(uint64_t(done) * 100 / divisor);
}

uint32_t stallLimitSeconds() {
    const char* text = std::getenv("VK_UPDATE_STALL_SECONDS");
    if (text == nullptr || *text == '\0') {
        return kDefaultStallSeconds;
    }
    const std::string value = text;
    if (value.size() <= 10 && value.find_first_not_of("0123456789") == std::string::npos) {
        const unsigned long long seconds = std::strtoull(text, nullptr, 10);
        if (seconds <= 0xFFFFFFFFull) {
            return static_cast<uint32_t>(seconds);
        }
    }
    reportMessage(
        L"WARNING: VK_UPDATE_STALL_SECONDS=\"%hs\" is no number of seconds from 0 to "
        L"4294967295; an update that makes no progress fails after %u seconds.\n",
        text, kDefaultStallSeconds);
    return kDefaultStallSeconds;
}

void pollUpdateStatus(UpdateRun& run, uint32_t pass) {
    const uint32_t stageContext = openStage(EvStageOpen);
    for (BoardRecord& board : run.table) {
        board.updateProgress = 0;
    }
    if (run.startedCount == 0) {
        sendEvent(EvStageClose, stageContext);
        return;
    }
    reportMessage(L"\n");
    ProgressContext context{&run.table, &run.options, &run.transferred};
    VkNRtosAbstraction::ThreadHandle display = nullptr;
    startProgressDisplay(run.pool, context, display);
    Poll poll{run, pass, stageContext, noObservations(run.table)};
    do {
        sweep(poll);
        VkNRtosAbstraction::usleep(kSweepPauseMicroseconds);
    } while (!poll.lastSweep);
    stopProgressDisplay(display);
    sendEvent(EvStageClose, stageContext);
}
