#include <cstdint>
#include <string>

#include "VkTalveronUpdateLib.h"
#include "driver/run_handles.h"
#include "driver/start_up.h"
#include "driver/update_path.h"
#include "interface/board_selection.h"
#include "interface/module_state.h"
#include "os/VkOs.h"
#include "reporting/board_display.h"
#include "reporting/console.h"
#include "reporting/error_list_report.h"
#include "reporting/host_events.h"

namespace {

void listBoardsVerbose(const BoardTable& table) {
    if (!moduleState().verboseOutput) {
        return;
    }
    consolePrintNarrow("The following updatable boards have been found:\n");
    for (const BoardRecord& board : table) {
        consolePrintNarrow("%u (%hs): %hs\n", board.serialNumber, board.boardType.c_str(),
                           board.address.toString().c_str());
    }
}

bool anyBoardOfType(const BoardTable& table, const VkCString& boardType) {
    for (const BoardRecord& board : table) {
        if (board.boardType == boardType) {
            return true;
        }
    }
    return false;
}

bool anyBoardListed(const BoardTable& table, const VkCString& serialNumbers) {
    for (const BoardRecord& board : table) {
        if (serialListContains(serialNumbers.c_str(), std::to_string(board.serialNumber).c_str())) {
            return true;
        }
    }
    return false;
}

// The board filters must name at least one board of the target; a filter that names none
// ends the process.
void checkBoardFiltersOrExit(const VkTCmdOptions& options, RunHandles& run) {
    if (!options.boardType.isEmpty() && !anyBoardOfType(run.table, options.boardType)) {
        reportMessage(
            L"ERROR: No %hs board is available in the target system.\n       Please check if "
            L"the board is properly connected.\n",
            options.boardType.c_str());
        deleteDeviceHandle(run.pool, run.device);
        VkOs::exitProcess(1);
    }
    if (!options.serialNumbers.isEmpty() && !anyBoardListed(run.table, options.serialNumbers)) {
        reportMessage(L"ERROR: No device matches the specified serial number(s): %hs\n",
                      options.serialNumbers.c_str());
        deleteDeviceHandle(run.pool, run.device);
        VkOs::exitProcess(1);
    }
}

int32_t runConsoleSequence(const VkTCmdOptions& options, RunHandles& run,
                           const VkCVersion& firmwareVersion) {
    listBoardsVerbose(run.table);
    checkBoardFiltersOrExit(options, run);
    switch (options.mode) {
        case ShowBoards:
            printConnectedBoards(run.table, options);
            return 0;
        case ShowVersionHistory:
            printVersionHistories(run.table, options);
            return 0;
        default:
            return runConsolePath(run.pool, options, run.root, run.device, run.table,
                                  firmwareVersion);
    }
}

int32_t rebootTarget(RunHandles& run) {
    reportMessage(L"\nTarget system is being rebooted...\n");
    VkLnk_FORCE_resetDevice(run.pool, run.device, 0);
    deleteDeviceHandle(run.pool, run.device);
    return reportPoolErrors(run.pool) ? 1 : 0;
}

// Releases what start-up handed over; errors left in the pool make the run fail.
int32_t cleanUp(RunHandles& run, int32_t result) {
    run.releaseAll();
    return reportPoolErrors(run.pool) ? 1 : result;
}

}  // namespace

int32_t VkSmartUpdateTool(VkCErrorListPool& pool, VkTCmdOptions options) {
    VkCVersion firmwareVersion;
    RunHandles run(pool);
    int32_t result = startRun(pool, options, run.device, run.root, run.table, firmwareVersion);
    if (result == 0) {
        // A description-only run opened no device, so it can neither reboot nor list.
        if (options.fwMgrMode && options.descriptionOnly) {
            sendEvent(EvDescriptionOnlyDone);
            return 0;
        }
        if (options.mode == Reboot) {
            return rebootTarget(run);
        }
        if (options.fwMgrMode) {
            result =
                runManagerPath(pool, options, run.root, run.device, run.table, firmwareVersion);
        } else {
            result = runConsoleSequence(options, run, firmwareVersion);
        }
        result = cleanUp(run, result);
    }
    if (options.fwMgrMode) {
        sendEvent(EvRunFinished, static_cast<uint32_t>(result));
    }
    return result;
}
