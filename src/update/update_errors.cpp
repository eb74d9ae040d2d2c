// collectUpdateErrors: the errors of the pass's board updates, and the end of the progress
// line.
#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/host_events.h"
#include "update/board_update_stages.h"

namespace {

// Asks the target for the errors of the board's update of match i; any error in the board's
// pool fails the file and the board. Returns whether it failed.
bool collectFileErrors(UpdateRun& run, BoardRecord& board, size_t i, uint32_t pass) {
    VkCErrorListPool& boardPool = *board.errorPool;
    VkCInventoryManager::getInstance()->updateErrors(boardPool, run.root, board.address,
                                                     run.lockHandle);
    if (boardPool.getErrorCount() == 0) {
        return false;
    }
    board.failedPass = pass;
    setMatchFlag(board.fileFailed, i);
    if (i < board.fileUpdated.size()) {
        board.fileUpdated[i] = 0;
    }
    return true;
}

// The errors of the board's transferred files; the number of failed files.
uint32_t collectBoardErrors(UpdateRun& run, size_t b, uint32_t pass, uint32_t stageContext) {
    BoardRecord& board = run.table[b];
    const uint32_t boardIndex = static_cast<uint32_t>(b);
    uint32_t failed = 0;
    for (size_t i = 0; i < matchesOf(board); ++i) {
        const uint32_t matchIndex = static_cast<uint32_t>(i);
        if (!hostAllowsFile(stageContext, 1, boardIndex, matchIndex)) {
            continue;
        }
        const int32_t k = matchedFile(board, i);
        if (catalogueEntry(k) == nullptr || matchFlag(board.fileUpToDate, i) ||
            !run.transferred[static_cast<size_t>(k)]) {
            continue;
        }
        if (collectFileErrors(run, board, i, pass)) {
            ++failed;
        }
        sendEvent(EvFileProgress, stageContext, boardIndex, matchIndex,
                  board.errorPool->getErrorCount());
    }
    return failed;
}

}  // namespace

void collectUpdateErrors(UpdateRun& run, uint32_t pass) {
    const uint32_t stageContext = openStage(EvStageOpen);
    uint32_t errors = 0;
    const size_t count = boardsInRun(run.table);
    for (size_t b = 0; b < count; ++b) {
        const BoardRecord& board = run.table[b];
        if (board.failedPass == pass) {
            ++errors;
        }
        if (board.failedPass != 0 || !isBoardSelected(board, run.options)) {
            continue;
        }
        errors += collectBoardErrors(run, b, pass, stageContext);
    }
    if (run.startedCount != 0) {
        reportMessage(errors != 0 ? L"[ERROR]\n" : L"[OK]\n");
        sendEvent(EvUpdateErrorsDone, stageContext);
    }
    sendEvent(EvStageClose, stageContext);
}
