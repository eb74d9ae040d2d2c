#include "update/update_sequence.h"

#include "VkNInventoryIDs.h"
#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/host_events.h"
#include "update/board_update_stages.h"
#include "update/boot_loader_update.h"
#include "update/file_transfer.h"
#include "update/plan_report.h"
#include "update/remote_files.h"
#include "update/results_report.h"

namespace {

constexpr uint32_t kLockMode = 0x10003;

// Removes the copies transferred in this pass from the target. Errors of the removal are not
// looked at; they stay in the caller's pool.
void deleteRemoteCopies(UpdateRun& run) {
    ModuleState& state = moduleState();
    const size_t count = boardsInRun(run.table);
    for (size_t b = 0; b < count; ++b) {
        const BoardRecord& board = run.table[b];
        if (!isBoardSelected(board, run.options)) {
            continue;
        }
        for (size_t i = 0; i < matchesOf(board); ++i) {
            const int32_t k = matchedFile(board, i);
            const UpdateFileRecord* file = catalogueEntry(k);
            if (file == nullptr || !file->IsSelected || !run.transferred[size_t(k)]) {
                continue;
            }
            VkCInventoryManager::getInstance()->deleteRemoteFile(
                run.pool, run.root, systemAddress(run.table), run.lockHandle,
                state.remoteFileHandles[size_t(k)]);
            run.transferred[size_t(k)] = 0;
        }
    }
}

// Pass 1 ends the update after its transfer when the transfer had to stop, and after the
// boot loaders when one of them failed. False when no further stage of the update runs.
bool transferAndBootLoaders(UpdateRun& run, uint32_t pass, uint32_t stageContext) {
    transferFiles(run, pass);
    if (moduleState().transferStop == 1) {
        return pass != 1;
    }
    if (pass == 1 && !updateBootLoader(run)) {
        sendEvent(EvBootLoaderFailed, stageContext);
        return false;
    }
    return true;
}

void runPasses(UpdateRun& run, uint32_t stageContext) {
    const uint64_t lastPass = moduleState().maxUpdatePass;
    for (uint64_t number = 1; number <= lastPass; ++number) {
        const uint32_t pass = static_cast<uint32_t>(number);
        if (!transferAndBootLoaders(run, pass, stageContext)) {
            // The copies that did reach the target are not left on it.
            deleteRemoteCopies(run);
            return;
        }
        run.startedCount = 0;
        run.finishedCount = 0;
        startUpdates(run, pass);
        pollUpdateStatus(run, pass);
        collectUpdateErrors(run, pass);
        if (run.options.updateBusFpga) {
            updateBusFpgaFiles(run, pass);
        }
        deleteRemoteCopies(run);
    }
}

bool isNode(const BoardRecord& board) {
    const uint32_t category = board.address.getCategory();
    return category == VkNInventoryIDs::HCN.getCategory() ||
           category == VkNInventoryIDs::CN.getCategory();
}

// Closes the updates of every processing unit and communication node, then unlocks the
// target. Errors of the closing are not looked at and do not reach the caller's pool.
void finishUpdate(UpdateRun& run, uint32_t stageContext) {
    {
        SeparateErrorList finishErrors;
        const size_t count = boardsInRun(run.table);
        for (size_t b = 0; b < count; ++b) {
            const BoardRecord& board = run.table[b];
            if (!isNode(board)) {
                continue;
            }
            VkCInventoryManager::getInstance()->updateFinish(finishErrors.get(), run.root,
                                                             board.address, run.lockHandle);
            trace(L"updateFinish() called for %hs.\n", board.address.toString().c_str());
        }
    }
    VkCInventoryManager::getInstance()->unlock(run.pool, run.lockHandle);
    sendEvent(EvUnlocked1, stageContext);
    sendEvent(EvUnlocked2, stageContext);
}

// Module state of an earlier run that this run must not inherit.
void startFreshRun() {
    ModuleState& state = moduleState();
    state.transferStop = 0;
    state.spinnerIndex = 0;
    const size_t files = filesInCatalogue();
    if (state.remoteFileHandles.size() < files) {
        state.remoteFileHandles.resize(files);
    }
}

}  // namespace

int32_t runUpdateSequence(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                          const VkTCmdOptions& options, BoardTable& table, VkTDeviceHandle device) {
    const uint32_t stageContext = openStage(EvSequenceOpen);
    startFreshRun();
    UpdateRun run(pool, options, table);
    run.root = root;
    run.device = device;
    run.transferred.assign(filesInCatalogue(), 0);
    run.stallLimitSeconds = stallLimitSeconds();
    const uint32_t before = pool.getErrorCount();
    VkCInventoryManager::getInstance()->lock(pool, root, systemAddress(table), kLockMode,
                                             run.lockHandle);
    if (pool.getErrorCount() > before) {
        return 1;
    }
    const bool missingFlag = reportMissingFiles();
    reportUpdateNotRequired(table, options);
    runPasses(run, stageContext);
    finishUpdate(run, stageContext);
    return reportResults(table, missingFlag);
}
