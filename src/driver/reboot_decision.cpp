#include "driver/reboot_support.h"

#include "reporting/console.h"

namespace {

// System classes of the boards that carry the target's firmware mode: in the active firmware
// image, in the active FPGA image (with a CPLD that must support the reboot), or in both.
constexpr uint32_t kFirmwareModeClass = 0x20001;
constexpr uint32_t kFpgaModeClass = 0x20004;
constexpr uint32_t kCombinedModeClass = 0x20010;
constexpr uint32_t kRebootCapableHwType = 2;

// Flags of the walk: which kinds of firmware-mode boards were seen.
struct SeenBoards {
    bool firmwareMode = false;
    bool fpgaMode = false;
    bool combinedMode = false;
    bool firmwareModeHwType2 = false;
};

// Whether the image the selector marks active (1 or 2) is older than limit.
bool activeImageOlder(uint8_t active, const VkCVersion& first, const VkCVersion& second,
                      const VkCVersion& limit) {
    return (active == 1 && first < limit) || (active == 2 && second < limit);
}

enum class WalkStep { Continue, Stop };

WalkStep decide(RebootDecision& decision, uint32_t reason, size_t board, WalkStep step) {
    decision.reason = reason;
    decision.decidingBoard = static_cast<int32_t>(board);
    return step;
}

WalkStep checkFirmwareModeBoard(const BoardRecord& board, size_t index, SeenBoards& seen,
                                RebootDecision& decision) {
    static const VkCVersion limit("5.1");
    seen.firmwareMode = true;
    if (board.hwType == kRebootCapableHwType) {
        seen.firmwareModeHwType2 = true;
    }
    if (activeImageOlder(board.activeFirmware, board.installedVersion(1), board.installedVersion(2),
                         limit)) {
        // Only a board of HW type 2 settles the question alone.
        return decide(decision, RebootNotSupportedByFirmware, index,
                      seen.firmwareModeHwType2 ? WalkStep::Stop : WalkStep::Continue);
    }
    if (board.activeFirmware == 0) {
        return decide(decision, RebootUndetermined, index, WalkStep::Stop);
    }
    return WalkStep::Continue;
}

WalkStep checkFpgaModeBoard(const BoardRecord& board, size_t index, SeenBoards& seen,
                            RebootDecision& decision) {
    static const VkCVersion limit("5.1");
    static const VkCVersion cpldLimit("4.0");
    seen.fpgaMode = true;
    if (board.cpldVersion < cpldLimit) {
        return decide(decision, RebootNotSupportedByBoard, index, WalkStep::Stop);
    }
    if (activeImageOlder(board.activeFpga, board.installedVersion(3), board.installedVersion(4),
                         limit)) {
        return decide(decision, RebootNotSupportedByFirmware, index, WalkStep::Stop);
    }
    if (board.activeFpga == 0) {
        return decide(decision, RebootUndetermined, index, WalkStep::Stop);
    }
    return WalkStep::Continue;
}

WalkStep checkCombinedModeBoard(const BoardRecord& board, size_t index, SeenBoards& seen,
                                RebootDecision& decision) {
    static const VkCVersion limit("5.0");
    seen.combinedMode = true;
    if (activeImageOlder(board.activeFirmware, board.installedVersion(1), board.installedVersion(2),
                         limit) ||
        activeImageOlder(board.activeFpga, board.installedVersion(3), board.installedVersion(4),
                         limit)) {
        return decide(decision, RebootNotSupportedByFirmware, index, WalkStep::Stop);
    }
    if (board.activeFirmware == 0 || board.activeFpga == 0) {
        return decide(decision, RebootUndetermined, index, WalkStep::Stop);
    }
    return WalkStep::Continue;
}

WalkStep checkBoard(const BoardRecord& board, size_t index, SeenBoards& seen,
                    RebootDecision& decision) {
    if (board.systemClass == kFirmwareModeClass) {
        return checkFirmwareModeBoard(board, index, seen, decision);
    }
    if (board.systemClass == kFpgaModeClass) {
        return checkFpgaModeBoard(board, index, seen, decision);
    }
    if (board.systemClass == kCombinedModeClass && board.hwType == kRebootCapableHwType) {
        return checkCombinedModeBoard(board, index, seen, decision);
    }
    return WalkStep::Continue;
}

}  // namespace

RebootDecision decideRebootSupport(const BoardTable& table) {
    RebootDecision decision;
    SeenBoards seen;
    for (size_t index = 0; index < table.size(); ++index) {
        if (checkBoard(table[index], index, seen, decision) == WalkStep::Stop) {
            break;
        }
    }
    decision.relevantBoardsPresent =
        (seen.firmwareMode && (seen.fpgaMode || seen.firmwareModeHwType2)) || seen.combinedMode;
    return decision;
}

uint32_t reportRebootDecision(const RebootDecision& decision, const BoardTable& table) {
    if (!decision.relevantBoardsPresent) {
        reportMessage(
            L"ERROR: Cannot determine firmware mode of the target system. Relevant board not "
            L"found.\n");
        return RebootUndetermined;
    }
    if (decision.reason == RebootSupported || decision.decidingBoard < 0) {
        return decision.reason;
    }
    const char* boardType = table[static_cast<size_t>(decision.decidingBoard)].boardType.c_str();
    switch (decision.reason) {
        case RebootNotSupportedByFirmware:
            reportMessage(
                L"WARNING: System cannot be rebooted automatically (not supported by the "
                L"firmware version installed on the system's %hs board).\n",
                boardType);
            break;
        case RebootNotSupportedByBoard:
            reportMessage(
                L"WARNING: System cannot be rebooted automatically (not supported by the "
                L"system's %hs board).\n",
                boardType);
            break;
        default:
            reportMessage(
                L"ERROR: Cannot determine firmware mode of the target system's %hs "
                L"board.\n",
                boardType);
            break;
    }
    return decision.reason;
}
