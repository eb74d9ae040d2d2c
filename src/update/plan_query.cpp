#include "update/plan_query.h"

#include <utility>

#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/format.h"
#include "update/boot_loader_update.h"
#include "update/installed_file_comparison.h"
#include "utf8_conversion.h"

namespace {

UpdatePlan& storedPlan() {
    static UpdatePlan plan;
    return plan;
}

// The matches found for the board. The compatibility check may have set matchCount to 0
// for a board it ignores; the match array still holds what the matching recorded.
size_t matchesFound(const BoardRecord& board) {
    size_t n = 0;
    while (n < board.matchFiles.size() && board.matchFiles[n] >= 0) {
        ++n;
    }
    return n < board.matchCount ? matchesOf(board) : n;
}

PlanDecision decide(const BoardRecord& board, bool selected, size_t j,
                    const UpdateFileRecord& file) {
    if (!selected) {
        return PlanDecision::NotSelected;
    }
    if (j >= board.matchCount || matchFlag(board.fileFailed, j)) {
        return PlanDecision::Incompatible;
    }
    if (matchFlag(board.fileUpToDate, j)) {
        return PlanDecision::AlreadyInstalled;
    }
    if (file.IsMissing) {
        return PlanDecision::MissingFile;
    }
    return file.IsSelected ? PlanDecision::Install : PlanDecision::NotSelected;
}

// Boot loader entries, and files of the boot loader firmware type that the board stages
// write into the second boot loader entry.
bool isBootLoader(const UpdateFileRecord& file) {
    return file.IsBootLoader || file.FwType == VkNInventoryManager::FwBootLoader;
}

std::string installedVersionText(const BoardRecord& board, const UpdateFileRecord& file) {
    constexpr int kSecondBootLoaderSlot = 14;
    InstalledSlots slots;
    const VkCVersion* installed = nullptr;
    if (file.IsBootLoader) {
        installed = &installedBootLoaderVersion(board);
    } else if (file.FwType == VkNInventoryManager::FwBootLoader) {
        installed = &board.installedVersion(kSecondBootLoaderSlot);
    } else if (installedSlotsOf(file, slots)) {
        installed = &board.installedVersion(slots.versionSlot);
    }
    if (installed == nullptr || installed->getAsULong64() == 0) {
        return "";
    }
    return installed->getAsString().str();
}

PlanBoard describeBoard(size_t index, const BoardRecord& board, const VkTCmdOptions& options) {
    PlanBoard described;
    described.boardIndex = static_cast<uint32_t>(index);
    described.boardType = board.boardType.str();
    described.serialNumber = board.serialNumber;
    described.slot = board.slot;
    described.address = board.address.toString().str();
    described.selected = isBoardSelected(board, options);
    const size_t found = matchesFound(board);
    for (size_t j = 0; j < found; ++j) {
        const UpdateFileRecord* file = catalogueEntry(matchedFile(board, j));
        if (file == nullptr) {
            continue;
        }
        PlanMatch match;
        match.catalogueIndex = matchedFile(board, j);
        match.fileName = wideToUtf8(file->FileName);
        match.typeName = file->TypeName.str();
        match.version = file->Version.getAsString().str();
        match.hasUpdatePass =
            described.selected && j < board.matchCount && !matchFlag(board.fileUpToDate, j);
        match.updatePass = file->UpdatePass;
        match.decision = decide(board, described.selected, j, *file);
        match.installedVersion = installedVersionText(board, *file);
        match.bootLoader = isBootLoader(*file);
        described.matches.push_back(std::move(match));
    }
    return described;
}

}  // namespace

UpdatePlan describeUpdatePlan(const BoardTable& table, const VkTCmdOptions& options) {
    UpdatePlan plan;
    plan.present = true;
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        plan.boards.push_back(describeBoard(b, table[b], options));
    }
    return plan;
}

const UpdatePlan& lastUpdatePlan() {
    return storedPlan();
}

void rememberUpdatePlan(UpdatePlan plan) {
    storedPlan() = std::move(plan);
}

void forgetUpdatePlan() {
    storedPlan() = UpdatePlan();
}

const UpdatePlan* GetLastUpdatePlan() {
    return storedPlan().present ? &storedPlan() : nullptr;
}
