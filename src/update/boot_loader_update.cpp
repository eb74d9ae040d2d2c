#include "update/boot_loader_update.h"

#include "VkNRtosAbstraction.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/format.h"
#include "update/remote_files.h"
#include "utf8_conversion.h"

namespace {

constexpr int kBootLoaderSlot = 13;
constexpr int kThirdBootLoaderSlot = 15;

bool carriesBootLoader(const BoardRecord& board) {
    return (board.hasBootloader || board.hasBootloader3) && board.matchCount > 0;
}

void recordFailure(VkCErrorListPool& pool, const char* message, uint32_t line,
                   const BoardRecord& board, const UpdateFileRecord& file) {
    pool.setError(0, 0, message, 0, line, "updateBootLoader", "%u%s", board.serialNumber,
                  wideToUtf8(file.FileName).c_str());
}

// Writes one boot loader file whose line has been started; true when it was written.
bool writeBootLoader(UpdateRun& run, const BoardRecord& board, const UpdateFileRecord& file) {
    if (file.IsMissing) {
        recordFailure(run.pool,
                      "Updating boot loader on device with S/N %1 with file '%2' failed. The "
                      "file does not exist.",
                      3735, board, file);
        return false;
    }
    FtClientHandle client(run.pool, run.device);
    if (!client.isOpen()) {
        return false;
    }
    if (putFileViaTemp(run.pool, client.get(), localFilePath(run.options, file), kCnDriveRoot,
                       file.TargetFileName.str(), file.FileSize) != 0) {
        recordFailure(run.pool, "Updating boot loader on device with S/N %1 with file '%2' failed.",
                      3765, board, file);
        return false;
    }
    return client.close() == 0;
}

}  // namespace

const VkCVersion& installedBootLoaderVersion(const BoardRecord& board) {
    return board.installedVersion(board.hasBootloader3 ? kThirdBootLoaderSlot : kBootLoaderSlot);
}

bool updateBootLoader(UpdateRun& run) {
    bool result = true;
    bool headerDone = false;
    const size_t count = boardsInRun(run.table);
    for (size_t b = 0; b < count; ++b) {
        BoardRecord& board = run.table[b];
        if (!carriesBootLoader(board)) {
            continue;
        }
        for (size_t i = 0; i < matchesOf(board); ++i) {
            const UpdateFileRecord* file = catalogueEntry(matchedFile(board, i));
            if (file == nullptr || !file->IsBootLoader) {
                continue;
            }
            const VkCVersion& installed = installedBootLoaderVersion(board);
            if (file->Version <= installed) {
                trace(L"\nBoot loader on device with S/N %u is up-to-date (v%hs).\n",
                      board.serialNumber, installed.getAsString().c_str());
                continue;
            }
            if (!headerDone) {
                reportMessage(L"\nUpdating boot loader:\n");
                headerDone = true;
            }
            reportFileLineStart(file->FileName);
            if (writeBootLoader(run, board, *file)) {
                reportMessage(L"[OK]\n");
            } else {
                reportMessage(L"[ERROR]\n");
                setMatchFlag(board.fileFailed, i);
                result = false;
            }
        }
    }
    if (headerDone) {
        VkNRtosAbstraction::usleep(kBootLoaderPauseMicroseconds);
    }
    if (!result) {
        reportMessage(
            L"\n\nERROR: Updating boot loader failed. Please reboot your device and restart the "
            L"update!\nIf the problem persists, please contact Velkor support.\n");
    }
    return result;
}
