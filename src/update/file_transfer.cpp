#include "update/file_transfer.h"

#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "update/remote_files.h"

namespace {

bool transfersFor(const BoardRecord& board, const VkTCmdOptions& options) {
    return board.failedPass == 0 && isBoardSelected(board, options) && board.matchCount > 0;
}

bool toTransferInPass(const UpdateRun& run, const UpdateFileRecord& file, int32_t k,
                      uint32_t pass) {
    return !file.IsMissing && file.IsSelected && !run.transferred[static_cast<size_t>(k)] &&
           file.UpdatePass == pass && !file.IsBusFpga && !file.IsBootLoader;
}

// Hands one file to the target; true when it is there.
bool transferFile(UpdateRun& run, const UpdateFileRecord& file, int32_t k) {
    ModuleState& state = moduleState();
    const std::wstring localPath = localFilePath(run.options, file);
    const uint32_t before = run.pool.getErrorCount();
    VkCInventoryManager::getInstance()->transferFile(
        run.pool, run.root, systemAddress(run.table), run.lockHandle, localPath.c_str(), nullptr,
        nullptr, state.remoteFileHandles[static_cast<size_t>(k)]);
    if (run.pool.getErrorCount() == before) {
        return true;
    }
    const uint32_t entries = run.pool.getEntryCount();
    if (entries > 0 && run.pool.getErrorCode(entries - 1) == kTransferStopErrorCode) {
        state.transferStop = 1;
    }
    return false;
}

}  // namespace

VkCInventoryAddress systemAddress(const BoardTable& table) {
    return table.empty() ? VkCInventoryAddress() : table.front().address;
}

void transferFiles(UpdateRun& run, uint32_t pass) {
    bool headerDone = false;
    const size_t count = boardsInRun(run.table);
    for (size_t b = 0; b < count; ++b) {
        BoardRecord& board = run.table[b];
        if (!transfersFor(board, run.options)) {
            continue;
        }
        for (size_t i = 0; i < matchesOf(board); ++i) {
            const int32_t k = matchedFile(board, i);
            const UpdateFileRecord* file = catalogueEntry(k);
            if (file == nullptr || matchFlag(board.fileUpToDate, i) ||
                !toTransferInPass(run, *file, k, pass)) {
                continue;
            }
            if (!headerDone) {
                reportMessage(L"\n\nTransferring files:\n");
                headerDone = true;
            }
            reportFileLineStart(file->FileName);
            if (transferFile(run, *file, k)) {
                reportMessage(L"[OK]\n");
                run.transferred[static_cast<size_t>(k)] = 1;
            } else {
                reportMessage(L"[ERROR]\n");
                setMatchFlag(board.fileFailed, i);
            }
        }
    }
}
