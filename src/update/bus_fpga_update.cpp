// updateBusFpgaFiles: bus-FPGA images are plain files on the target's CN drive.
#include <string>

#include "VkNRtosAbstraction.h"
#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/format.h"
#include "reporting/host_events.h"
#include "update/board_update_stages.h"
#include "update/remote_files.h"
#include "utf8_conversion.h"

namespace {

// Capacity of the remote path buffer, terminator included; a longer path is refused.
constexpr size_t kBusFpgaPathCapacity = 255;

enum class BusFpgaOutcome {
    Written,
    Failed,       // the write failed; the failure is recorded in the caller's pool
    NoClient,     // no file-transfer client; its creation left its error in the pool
    NameTooLong,  // the target file name does not fit; refused before the target is asked
    Exception,    // an exception ended the handling of the file
};

// Makes every folder of the target file name below the CN drive, one level per call. True
// when at least one folder was made.
bool makeTargetFolders(VkCErrorListPool& errors, VkTFTClientHandle client,
                       const std::string& targetFileName) {
    const size_t start = targetFileName.find_first_not_of('/');
    if (start == std::string::npos) {
        return false;
    }
    const std::string path = targetFileName.substr(start, kBusFpgaPathCapacity);
    bool anyMade = false;
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (VkLnk_makeDir(errors, nullptr, client, kCnDriveRoot, folder.c_str()) == 0) {
            anyMade = true;
        }
    }
    return anyMade;
}

// The first attempt records its errors apart: a folder that does not exist yet is no error of
// the run. When folders had to be made, the second attempt reports to the caller's pool.
BusFpgaOutcome writeBusFpgaFile(UpdateRun& run, const UpdateFileRecord& file) {
    std::string folder;
    std::string name;
    if (!remoteLocation(file.TargetFileName, kBusFpgaPathCapacity, folder, name)) {
        return BusFpgaOutcome::NameTooLong;
    }
    FtClientHandle client(run.pool, run.device);
    if (!client.isOpen()) {
        return BusFpgaOutcome::NoClient;
    }
    const std::wstring localPath = localFilePath(run.options, file);
    SeparateErrorList firstAttempt;
    bool written = putFileViaTemp(firstAttempt.get(), client.get(), localPath, folder, name,
                                  file.FileSize) == 0;
    if (!written) {
        if (!makeTargetFolders(firstAttempt.get(), client.get(), file.TargetFileName.str())) {
            run.pool += firstAttempt.get();
            return BusFpgaOutcome::Failed;
        }
        written =
            putFileViaTemp(run.pool, client.get(), localPath, folder, name, file.FileSize) == 0;
    }
    if (!written || client.close() != 0) {
        return BusFpgaOutcome::Failed;
    }
    return BusFpgaOutcome::Written;
}

void recordFailure(UpdateRun& run, const UpdateFileRecord& file, BusFpgaOutcome outcome) {
    const std::string fileName = wideToUtf8(file.FileName);
    if (outcome == BusFpgaOutcome::Failed) {
        run.pool.setError(0, 0,
                          "Updating file '%1' failed. Please reboot your device and restart the "
                          "update!",
                          0, 3620, "updateBusFpga", "%s", fileName.c_str());
    } else if (outcome == BusFpgaOutcome::NameTooLong) {
        run.pool.setError(0, 0,
                          "Updating file '%1' failed: its target file name is too long for the "
                          "CN drive (%2 characters, at most %3).",
                          0, __LINE__, "updateBusFpga", "%s%u%u", fileName.c_str(),
                          static_cast<unsigned>(file.TargetFileName.length()),
                          static_cast<unsigned>(longestTargetFileName(kBusFpgaPathCapacity)));
    }
}

// Ends the file's line with its status, once.
void finishFile(UpdateRun& run, BoardRecord& board, size_t i, const UpdateFileRecord& file,
                BusFpgaOutcome outcome, uint32_t stageContext) {
    if (outcome == BusFpgaOutcome::Written) {
        reportMessage(L"[OK]\n");
        board.filesUpdateOk = true;
        sendEvent(EvBusFpgaWritten, stageContext, 1);
        return;
    }
    recordFailure(run, file, outcome);
    reportMessage(L"[ERROR]\n");
    board.filesUpdateFailed = true;
    setMatchFlag(board.fileFailed, i);
    if (outcome == BusFpgaOutcome::Exception) {
        sendEvent(EvBusFpgaException, stageContext);
    }
}

bool writtenInPass(const UpdateFileRecord& file, uint32_t pass) {
    return !file.IsMissing && file.IsBusFpga && file.UpdatePass == pass;
}

}  // namespace

void updateBusFpgaFiles(UpdateRun& run, uint32_t pass) {
    const uint32_t stageContext = openStage(EvStageOpen);
    bool anyHandled = false;
    const size_t count = boardsInRun(run.table);
    for (size_t b = 0; b < count; ++b) {
        BoardRecord& board = run.table[b];
        if (!isBoardSelected(board, run.options)) {
            continue;
        }
        for (size_t i = 0; i < matchesOf(board); ++i) {
            const UpdateFileRecord* file = catalogueEntry(matchedFile(board, i));
            if (file == nullptr || matchFlag(board.fileUpToDate, i) ||
                !writtenInPass(*file, pass)) {
                continue;
            }
            if (!anyHandled) {
                reportMessage(L"\nUpdating files:\n");
                anyHandled = true;
            }
            reportFileLineStart(file->FileName);
            BusFpgaOutcome outcome = BusFpgaOutcome::Exception;
            try {
                sendEvent(EvFileProgress, stageContext, static_cast<uint32_t>(b),
                          static_cast<uint32_t>(i), 0);
                outcome = writeBusFpgaFile(run, *file);
            } catch (...) {
                outcome = BusFpgaOutcome::Exception;
            }
            finishFile(run, board, i, *file, outcome, stageContext);
        }
    }
    sendEvent(EvStageClose, stageContext);
    if (anyHandled) {
        VkNRtosAbstraction::usleep(kBusFpgaPauseMicroseconds);
    }
}
