#include "update_verification.h"

#include <cstdio>

#include "VkCErrorList.h"
#include "VkTalveronUpdateLib.h"
#include "stdout_diversion.h"

namespace {

const PlanBoard* findBoard(const UpdatePlan& plan, const PlanBoard& board) {
    for (const PlanBoard& candidate : plan.boards) {
        if (candidate.boardIndex == board.boardIndex &&
            candidate.serialNumber == board.serialNumber) {
            return &candidate;
        }
    }
    return nullptr;
}

const PlanMatch* findMatch(const PlanBoard* board, int32_t catalogueIndex) {
    if (board == nullptr) {
        return nullptr;
    }
    for (const PlanMatch& match : board->matches) {
        if (match.catalogueIndex == catalogueIndex) {
            return &match;
        }
    }
    return nullptr;
}

bool selectedByUpdate(const PlanMatch& match) {
    return match.decision == PlanDecision::Install && !match.bootLoader;
}

}  // namespace

std::vector<FileNotInstalled> filesNotInstalled(const UpdatePlan& updatePlan,
                                                const UpdatePlan& planAfter) {
    std::vector<FileNotInstalled> missed;
    for (const PlanBoard& board : updatePlan.boards) {
        const PlanBoard* boardAfter = findBoard(planAfter, board);
        for (const PlanMatch& match : board.matches) {
            if (!selectedByUpdate(match)) {
                continue;
            }
            const PlanMatch* after = findMatch(boardAfter, match.catalogueIndex);
            if (after != nullptr && after->decision != PlanDecision::Install) {
                continue;
            }
            missed.push_back({board.boardType, board.serialNumber, match.fileName,
                              after != nullptr ? after->installedVersion : std::string(),
                              match.version});
        }
    }
    return missed;
}

std::string verificationText(const std::vector<FileNotInstalled>& missed) {
    if (missed.empty()) {
        return "Verified: every selected file is installed.\n";
    }
    std::string text = "Verification failed: " + std::to_string(missed.size()) +
                       (missed.size() == 1 ? " selected file is" : " selected files are") +
                       " not installed:\n";
    for (const FileNotInstalled& file : missed) {
        const std::string installed =
            file.installedVersion.empty() ? "none reported" : file.installedVersion;
        text += "  " + file.boardType + " SN " + std::to_string(file.serialNumber) + ": " +
                file.fileName + ": installed " + installed + ", expected " + file.expectedVersion +
                "\n";
    }
    return text;
}

int verifyUpdate(const VkTCmdOptions& options, const UpdatePlan& updatePlan) {
    StdoutDiversion diversion;
    if (!diversion.ok()) {
        std::fprintf(stderr, "vkupdate: cannot set up standard output for --verify\n");
        return 1;
    }
    VkTCmdOptions planOptions = options;
    planOptions.mode = ShowPlan;
    planOptions.skipInstalledCheck = false;  // the check is what verifies
    VkCErrorListPool pool;
    const int32_t result = VkSmartUpdateTool(pool, planOptions);
    const UpdatePlan* planAfter = GetLastUpdatePlan();
    if (result != 0 || planAfter == nullptr) {
        std::fprintf(stderr, "vkupdate: --verify: the plan after the update failed\n");
        return 1;
    }
    const std::vector<FileNotInstalled> missed = filesNotInstalled(updatePlan, *planAfter);
    const std::string text = verificationText(missed);
    std::fwrite(text.data(), 1, text.size(), diversion.jsonStream());
    return missed.empty() ? 0 : 1;
}
