// startUpdates: the first board update stage of a pass.
#include <ctime>

#include "VkNRtosAbstraction.h"
#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/host_events.h"
#include "update/board_update_stages.h"

namespace {

// Status messages start in this column, after the board label.
constexpr int kStatusColumn = 56;

// Local wall-clock time in seconds since 1970, written as if it were UTC: the target keeps
// its time stamps in the local time of the lab. 0 when the local time is not known.
uint64_t localTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return 0;
    }
    local.tm_isdst = 0;
    const std::time_t asUtc = timegm(&local);
    return asUtc < 0 ? 0 : static_cast<uint64_t>(asUtc);
}

// The label goes straight to standard output in both output modes; the blanks that bring the
// status to its column follow the usual road.
void reportBoardLabel(const BoardRecord& board, const UpdateFileRecord& file) {
    const int length = consolePrintNarrow("%*s%s, SN: %u: %hs", 8, "", board.boardType.c_str(),
                                          board.serialNumber, file.TypeName.c_str());
    consoleFlush();
    reportMessage(L"%*s", kStatusColumn - length, L"");
}

// Asks the target to start the update of catalogue entry k on the board; true when the
// board's pool took no error.
bool startUpdate(UpdateRun& run, BoardRecord& board, int32_t k, const UpdateFileRecord& file) {
    VkCErrorListPool& boardPool = *board.errorPool;
    const uint32_t before = boardPool.getErrorCount();
    VkCInventoryManager::getInstance()->update(
        boardPool, run.root, board.address, run.lockHandle,
        moduleState().remoteFileHandles[static_cast<size_t>(k)],
        static_cast<VkNInventoryManager::FirmwareType>(file.FwType), localTimestamp());
    return boardPool.getErrorCount() == before;
}

bool startsInPass(const UpdateRun& run, const BoardRecord& board, int32_t k,
                  const UpdateFileRecord& file, uint32_t pass) {
    return run.transferred[static_cast<size_t>(k)] && file.UpdatePass == pass &&
           isBoardSelected(board, run.options);
}

}  // namespace

void startUpdates(UpdateRun& run, uint32_t pass) {
    const uint32_t stageContext = openStage(EvStageOpen);
    bool headerDone = false;
    const size_t count = boardsInRun(run.table);
    for (size_t b = 0; b < count; ++b) {
        BoardRecord& board = run.table[b];
        const uint32_t boardIndex = static_cast<uint32_t>(b);
        if (board.failedPass != 0) {
            sendEvent(EvBoardSkipped, boardIndex);
            continue;
        }
        for (size_t i = 0; i < matchesOf(board); ++i) {
            const int32_t k = matchedFile(board, i);
            const UpdateFileRecord* file = catalogueEntry(k);
            if (file == nullptr || matchFlag(board.fileUpToDate, i) ||
                !hostAllowsFile(stageContext, 0, boardIndex, static_cast<uint32_t>(i)) ||
                !startsInPass(run, board, k, *file, pass)) {
                continue;
            }
            if (!headerDone) {
                reportMessage(L"\nUpdating:\n");
                headerDone = true;
            }
            reportBoardLabel(board, *file);
            if (startUpdate(run, board, k, *file)) {
                reportMessage(L"\n");
                board.updateFinished = false;
                ++run.startedCount;
                VkNRtosAbstraction::usleep(kStartPauseMicroseconds);
            } else {
                sendEvent(EvUpdateStartFailed, stageContext, pass, boardIndex,
                          static_cast<uint32_t>(i));
                reportMessage(L"[ERROR]\n");
                setMatchFlag(board.fileFailed, i);
                board.failedPass = pass;
            }
        }
    }
    sendEvent(EvStageClose, stageContext);
}
