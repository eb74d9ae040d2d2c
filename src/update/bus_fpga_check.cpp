#include "update/bus_fpga_check.h"

#include <unistd.h>

#include <optional>
#include <string>

#include "description/update_file_access.h"
#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/format.h"
#include "update/fetch_temp_file.h"
#include "update/file_compare.h"
#include "update/remote_files.h"
#include "utf8_conversion.h"

namespace {

// Fetches the target's copy into the fetch file. Its errors are recorded in a list of its
// own, released right after: a file that is not on the target yet is no error of the run.
bool fetchInstalledCopy(VkTFTClientHandle client, const std::string& folder,
                        const std::string& name) {
    SeparateErrorList errors;
    if (!errors.valid()) {
        return false;
    }
    return VkLnk_getFileU(errors.get(), nullptr, client, folder.c_str(), name.c_str(),
                          moduleState().tempFileName.c_str(), nullptr, nullptr) >= 0;
}

// Empties the fetch file for the next fetch. The file itself stays until the process ends,
// so that its name, made safely once, is never left for someone else to take.
void discardFetchedCopy() {
    const std::wstring& fetched = moduleState().tempFileName;
    if (::truncate(wideToUtf8(fetched).c_str(), 0) != 0) {
        trace(L"ERROR: Cannot delete temporary file %ls!\n", fetched.c_str());
    }
}

void checkInstalledCopy(VkTFTClientHandle client, BoardRecord& board, size_t i,
                        const UpdateFileRecord& file, const VkTCmdOptions& options) {
    std::string folder;
    std::string name;
    if (!remoteLocation(file.TargetFileName, kCheckPathCapacity, folder, name)) {
        trace(L"ERROR: Target file name of %s is too long (%u characters, at most %u)!\n",
              file.FileName.c_str(), static_cast<unsigned>(file.TargetFileName.length()),
              static_cast<unsigned>(longestTargetFileName(kCheckPathCapacity)));
        return;
    }
    if (!fetchInstalledCopy(client, folder, name)) {
        trace(L"INFO: Cannot load file %hs/%hs from real-time system!\n", folder.c_str(),
              name.c_str());
        return;
    }
    // A name that would reach outside the firmware folder has no local file to compare.
    const std::optional<std::string> localPath =
        updateFilePath(options.firmwareFolder, file.FileName);
    if (localPath && compareFiles(moduleState().tempFileName, utf8ToWide(*localPath))) {
        setMatchFlag(board.fileUpToDate, i);
        trace(
            L"INFO: File %s is already installed on real-time system and needs not be "
            L"written!\n",
            file.FileName.c_str());
    } else {
        trace(
            L"INFO: File %s differs from corresponding file installed on real-time system "
            L"and must be written!\n",
            file.FileName.c_str());
    }
    discardFetchedCopy();
}

void checkBoard(VkTFTClientHandle client, BoardRecord& board, const VkTCmdOptions& options) {
    for (size_t i = 0; i < matchesOf(board); ++i) {
        const UpdateFileRecord* file = catalogueEntry(matchedFile(board, i));
        if (file == nullptr || matchFlag(board.fileUpToDate, i) || !file->IsBusFpga) {
            continue;
        }
        checkInstalledCopy(client, board, i, *file, options);
    }
}

}  // namespace

void checkBusFpgaFiles(VkCErrorListPool& pool, BoardTable& table, VkTDeviceHandle device,
                       const VkTCmdOptions& options) {
    switch (prepareFetchFile()) {
        case FetchFileStatus::NoFolder:
            trace(L"ERROR: Cannot determine TEMP folder path.\n");
            return;
        case FetchFileStatus::NoName:
            trace(L"ERROR: Cannot determine temporary file name.\n");
            return;
        case FetchFileStatus::Ready:
            break;
    }
    FtClientHandle client(pool, device);
    if (!client.isOpen()) {
        trace(L"ERROR: Cannot create FT client handle!\n");
        return;
    }
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        if (isBoardSelected(table[b], options)) {
            checkBoard(client.get(), table[b], options);
        }
    }
    if (client.close() != 0) {
        trace(L"ERROR: Cannot delete FT client handle!\n");
    }
}
