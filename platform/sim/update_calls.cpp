// update, updateStatus, updateErrors and updateFinish. An update runs for "updatePolls"
// status queries; then the target checks the image and, when it is sound, writes the new
// state of the part into target.json.
#include "VkCInventoryManager.h"
#include "sim/call_support.h"
#include "sim/inventory_calls.h"
#include "sim/sim_errors.h"
#include "sim/target_store.h"
#include "sim/transfer.h"
#include "sim/update_part.h"
#include "sim/update_sessions.h"

using namespace vksim;
using namespace VkNInventoryManager;

namespace {

constexpr int32_t kFailed = -1;

std::string typeName(uint32_t type) {
    return VkCInventoryManager::getFirmwareTypeString(static_cast<FirmwareType>(type)).str();
}

std::string failureText(const UpdateRun& run, const std::string& why) {
    return "Update of " + typeName(run.type) + " on board " + run.boardLabel + " failed: " + why +
           ".";
}

// Checks the image and writes the update into target.json; sets the run's end.
void finishRun(const std::string& folder, UpdateRun& run) {
    run.ended = true;
    run.finalStatus = UpdateFailed;
    if (!run.imageOk) {
        run.error = failureText(run, "the file " + run.fileName + " " + run.imageProblem);
        return;
    }
    if (run.image.firmwareType && *run.image.firmwareType != run.type) {
        run.error = failureText(
            run, "the file " + run.fileName + " holds " + typeName(*run.image.firmwareType));
        return;
    }
    std::string error;
    const bool applied = changeTarget(
        folder,
        [&](Target& target, std::string& problem) {
            if (!applyUpdateToDocument(target.doc, run.board, run.type, run.image, run.timestamp,
                                       problem)) {
                return false;
            }
            // Never save a document the next call could not read.
            Target check;
            return readTargetFields(target.doc, targetFileOf(folder), check, problem) != nullptr;
        },
        error);
    if (!applied) {
        run.error = failureText(run, error);
        return;
    }
    run.finalStatus = UpdateFinished;
}

// Ends a run whose "running" answers are used up: as a status fault says, or by finishing.
// False when a status fault keeps it running.
bool endRun(const Target& target, UpdateRun& run) {
    const FaultSubject subject{{}, run.serial};
    const std::optional<Fault> fault =
        takeFault(target, "updateStatus", subject, FaultKind::UpdateStatus);
    if (!fault || *fault->status == UpdateFinished) {
        finishRun(target.folder, run);
        return true;
    }
    if (*fault->status == UpdateRunning) {
        return false;
    }
    run.ended = true;
    run.finalStatus = *fault->status;
    return true;
}

UpdateRun* currentRun(BoardUpdates& updates) {
    for (UpdateRun& run : updates.runs) {
        if (!run.delivered) {
            return &run;
        }
    }
    return nullptr;
}

}  // namespace

int32_t VkCInventoryManager::update(VkCErrorListPool& boardPool, VkCInventoryRootHandle* root,
                                    const VkCInventoryAddress& board, VkTLockHandle lock,
                                    VkSRemoteFileHandle remote, FirmwareType type,
                                    uint64_t timestamp) {
    const char* function = "update";
    VkCInventoryRootHandle* handle = rootFor(boardPool, function, root);
    TargetNode found;
    if (handle == nullptr || lockFor(boardPool, function, lock, handle->folder) == nullptr ||
        !findTargetNode(boardPool, function, handle->folder, board, found)) {
        return kFailed;
    }
    const FaultSubject subject{{}, found.serial};
    if (const std::optional<Fault> fault = takeFault(found.target(), "update", subject)) {
        enterFaultError(boardPool, function, found.target(), *fault, found.serial);
        return kFailed;
    }
    if (partNameOf(type).empty()) {
        enterError(
            boardPool, kErrFirmwareType, function,
            "Board " + found.label + " has no part for firmware type " + std::to_string(type) + ".",
            found.serial);
        return kFailed;
    }
    std::string path;
    std::string error;
    if (!stagedPathOf(handle->folder, remote, path, error)) {
        enterError(boardPool, kErrRemoteFile, function, error, found.serial);
        return kFailed;
    }
    UpdateRun run;
    run.board = board;
    run.boardLabel = found.label;
    run.serial = found.serial;
    run.type = type;
    run.timestamp = timestamp;
    run.fileName = transferredFileName(remote);
    run.imageOk = inspectImage(path, run.image, run.imageProblem);
    std::unique_lock<std::mutex> guard = guardUpdates();
    updatesOf(handle->folder, board.toString().str()).runs.push_back(run);
    return 0;
}

int32_t VkCInventoryManager::updateStatus(VkCErrorListPool& boardPool, VkCInventoryRootHandle* root,
                                          const VkCInventoryAddress& board, EUpdateStatus& status,
                                          FirmwareType& type, uint32_t& done, uint32_t& total) {
    const char* function = "updateStatus";
    VkCInventoryRootHandle* handle = rootFor(boardPool, function, root);
    TargetNode found;
    if (handle == nullptr || !findTargetNode(boardPool, function, handle->folder, board, found)) {
        return kFailed;
    }
    if (const std::optional<Fault> fault =
            takeFault(found.target(), "updateStatus", FaultSubject{{}, found.serial})) {
        enterFaultError(boardPool, function, found.target(), *fault, found.serial);
        return kFailed;
    }
    std::unique_lock<std::mutex> guard = guardUpdates();
    BoardUpdates& updates = updatesOf(handle->folder, board.toString().str());
    UpdateRun* run = currentRun(updates);
    if (run == nullptr) {
        enterError(boardPool, kErrUpdateState, function,
                   "No update is running on board " + found.label + ".", found.serial);
        return kFailed;
    }
    const uint32_t polls = found.target().updatePolls;
    type = run->type;
    total = polls + 1;
    if (!run->ended && (run->runningAnswers < polls || !endRun(found.target(), *run))) {
        run->runningAnswers = std::min(run->runningAnswers + 1, polls);
        status = UpdateRunning;
        done = run->runningAnswers;
        return 0;
    }
    status = static_cast<EUpdateStatus>(run->finalStatus);
    done = total;
    if (!run->error.empty() && !run->errorShown) {
        // The target notices the failure now: the error comes with this first final answer.
        run->errorShown = true;
        updates.errors.push_back({kErrUpdateEnded, run->error, run->serial});
        enterError(boardPool, kErrUpdateEnded, function, run->error, run->serial);
        return kFailed;
    }
    if (run->finalStatus != UpdateFinished && run->error.empty()) {
        run->error = "Update of " + typeName(run->type) + " on board " + run->boardLabel +
                     " ended with status " + std::to_string(run->finalStatus) + ".";
        updates.errors.push_back({kErrUpdateEnded, run->error, run->serial});
        run->errorShown = true;
    }
    run->delivered = true;
    return 0;
}

int32_t VkCInventoryManager::updateErrors(VkCErrorListPool& boardPool, VkCInventoryRootHandle* root,
                                          const VkCInventoryAddress& board, VkTLockHandle lock) {
    const char* function = "updateErrors";
    VkCInventoryRootHandle* handle = rootFor(boardPool, function, root);
    TargetNode found;
    if (handle == nullptr || lockFor(boardPool, function, lock, handle->folder) == nullptr ||
        !findTargetNode(boardPool, function, handle->folder, board, found)) {
        return kFailed;
    }
    if (const std::optional<Fault> fault =
            takeFault(found.target(), "updateErrors", FaultSubject{{}, found.serial})) {
        enterFaultError(boardPool, function, found.target(), *fault, found.serial);
        return 0;  // the call worked: it reports the (simulated) error of the board
    }
    std::unique_lock<std::mutex> guard = guardUpdates();
    for (const LoggedError& logged : updatesOf(handle->folder, board.toString().str()).errors) {
        enterError(boardPool, logged.code, function, logged.text, logged.node);
    }
    return 0;
}

int32_t VkCInventoryManager::updateFinish(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                                          const VkCInventoryAddress& board, VkTLockHandle lock) {
    const char* function = "updateFinish";
    VkCInventoryRootHandle* handle = rootFor(pool, function, root);
    TargetNode found;
    if (handle == nullptr || lockFor(pool, function, lock, handle->folder) == nullptr ||
        !findTargetNode(pool, function, handle->folder, board, found)) {
        return kFailed;
    }
    if (const std::optional<Fault> fault =
            takeFault(found.target(), "updateFinish", FaultSubject{{}, found.serial})) {
        enterFaultError(pool, function, found.target(), *fault, found.serial);
        return kFailed;
    }
    std::unique_lock<std::mutex> guard = guardUpdates();
    forgetUpdatesBelow(handle->folder, board.toString().str());
    return 0;
}
