#include "driver/update_path_steps.h"

#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "update/bus_fpga_check.h"
#include "update/installed_file_comparison.h"

void createRemoteFileHandles(const VkTCmdOptions& options) {
    if (options.mode != Update) {
        return;
    }
    ModuleState& state = moduleState();
    state.remoteFileHandles.assign(state.fileCatalogue.size(),
                                   VkNInventoryManager::VkSRemoteFileHandle());
}

void compareWithInstalledFiles(VkCErrorListPool& pool, BoardTable& table, VkTDeviceHandle device,
                               const VkTCmdOptions& options) {
    trace(L"checkVersions...\n");
    checkVersions(table, options);
    trace(L"OK!\n");
    trace(L"checkBusFpgaFiles...\n");
    checkBusFpgaFiles(pool, table, device, options);
    trace(L"OK!\n");
}

void warnAboutBoardsWithoutUserFirmware(const BoardTable& table, const VkTCmdOptions& options) {
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        const BoardRecord& board = table[b];
        const bool selected = isBoardSelected(board, options);
        if (board.activeFirmware >= 2 && !(options.updateFirmware && selected)) {
            reportMessage(
                L"\nWARNING: Device %hs [SN: %u] has no user firmware installed.\nIt's "
                L"recommended to update this device!\n",
                board.boardType.c_str(), board.serialNumber);
        }
        if (board.activeFpga >= 2 && !(options.updateFpgaFirmware && selected)) {
            reportMessage(
                L"\nWARNING: Device %hs [SN: %u] has no user FPGA firmware "
                L"installed.\nIt's recommended to update this device!\n",
                board.boardType.c_str(), board.serialNumber);
        }
    }
}

void traceDevicesToUpdate(const BoardTable& table, const VkTCmdOptions& options) {
    if (!moduleState().verboseOutput) {
        return;
    }
    trace(L"The following devices will be updated:\n");
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        const BoardRecord& board = table[b];
        if (!isBoardSelected(board, options)) {
            continue;
        }
        trace(L"%hs (%hs):\n", board.address.getLastElement().toString().c_str(),
              board.boardType.c_str());
        for (size_t j = 0; j < matchesOf(board); ++j) {
            const UpdateFileRecord* file = catalogueEntry(matchedFile(board, j));
            if (file == nullptr) {
                continue;
            }
            trace(L"    %s (%hs, %hs)\n", file->FileName.c_str(),
                  file->IsSelected ? "active" : "inactive",
                  matchFlag(board.fileUpToDate, j) ? "installed" : "not installed");
        }
    }
}
