#include "inventory/compatibility_check.h"

#include <cstring>
#include <string>

#include "VkNInventoryIDs.h"
#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/host_events.h"

namespace {

// Boards of these system classes make the run fail where other boards are only ignored.
bool inStrictClassSet(uint32_t systemClass) {
    return systemClass == 0x20001 || systemClass == 0x20004 || systemClass == 0x20010 ||
           systemClass == 0x40001;
}

bool beginsWith(const VkCString& text, const char* prefix) {
    return std::strncmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

struct CheckRun {
    const VkTCmdOptions& options;
    std::string firmwareText;
    int32_t result = 0;
};

void decide(size_t boardIndex, CompatibilityReason reason) {
    sendEvent(EvCompatibility, static_cast<uint32_t>(boardIndex), reason);
}

void traceIncompatibleFile(size_t j, const UpdateFileRecord& file) {
    trace(L"      Incompatible file #%02d (%s) FW_COMPATIBILITY_ID: %u\n", static_cast<int>(j),
          file.FileName.c_str(), file.FwCompabilityId);
}

// A board without matching files. Returns false when the check ends here.
bool judgeBoardWithoutFiles(size_t i, const BoardRecord& board, const CheckRun& run) {
    if (!board.hasActiveFirmware && !board.hasActiveFpga && !board.hasUpdateInfoEntry) {
        return true;
    }
    const std::string productVersion = board.productVersion.getAsString().str();
    if (inStrictClassSet(board.systemClass)) {
        reportMessage(
            L"ERROR: Cannot update board with serial number %u (%hs, product version "
            L"%hs).\n       This board is not supported by firmware version %hs!\n",
            board.serialNumber, board.boardType.c_str(), productVersion.c_str(),
            run.firmwareText.c_str());
        decide(i, ReasonUnsupportedBoard);
        return false;
    }
    reportMessage(
        L"WARNING: Cannot update board with serial number %u (%hs, product version "
        L"%hs).\n         This board is not supported by firmware version %hs and will "
        L"be ignored!\n",
        board.serialNumber, board.boardType.c_str(), productVersion.c_str(),
        run.firmwareText.c_str());
    decide(i, ReasonUnsupportedBoardIgnored);
    return true;
}

// A board whose inventory has no UPDATE_INFO runs firmware that cannot judge the container:
// IONs without IP address and field-bus modules are left for a second update run.
bool ignoredWithoutUpdateInfo(size_t i, BoardRecord& board) {
    const VkCInventoryAddress kind = board.address.getLastElement()[1];
    CompatibilityReason reason;
    if (kind == VkNInventoryIDs::ION && !board.hasIpAddress) {
        reason = ReasonIonWithoutUpdateInfo;
    } else if (kind == VkNInventoryIDs::FBMODULE) {
        reason = ReasonFbModuleWithoutUpdateInfo;
    } else {
        return false;
    }
    reportMessage(
        L"WARNING: Board with serial number %u (%hs) cannot be updated since it is not "
        L"supported by the\n         firmware that is currently installed on the target "
        L"system. A second update run is required.\n",
        board.serialNumber, board.boardType.c_str());
    board.matchCount = 0;
    decide(i, reason);
    return true;
}

bool unsupportedHardware(size_t i, const BoardRecord& board, const CheckRun& run) {
    if (board.systemClass != 0x20001 || board.hwType != 1 || board.swCompatibilityId >= 9) {
        return false;
    }
    reportMessage(
        L"ERROR: Cannot update board with serial number %u (%hs).\n       This board is "
        L"not supported by firmware version %hs!\n",
        board.serialNumber, board.boardType.c_str(), run.firmwareText.c_str());
    decide(i, ReasonUnsupportedHardware);
    return true;
}

// A file new enough for the board: the mainboard and VK4050 tests, first that holds.
void judgeNewEnoughFile(size_t i, size_t j, const BoardRecord& board, const UpdateFileRecord& file,
                        CheckRun& run) {
    if (beginsWith(board.mainboardModel, "D2778") && file.OsType != "QNX") {
        reportMessage(
            L"ERROR: The TALVERON Real-Time PC, SN %u with prototype mainboard\n       "
            L"%hs is no longer supported.\n       Replace the TALVERON Real-Time PC or "
            L"use older firmware.\n",
            board.serialNumber, board.mainboardModel.c_str());
        run.result = -1;
        decide(i, ReasonPrototypeMainboard);
    } else if (beginsWith(board.mainboardModel, "96M5181") && file.OsType == "Linux64") {
        reportMessage(
            L"ERROR: The TALVERON Real-Time PC, SN %u with mainboard\n       %hs is not "
            L"supported by 64bit Linux firmware.\n       Replace the TALVERON Real-Time "
            L"PC or use older firmware.\n",
            board.serialNumber, board.mainboardModel.c_str());
        run.result = -1;
        decide(i, ReasonMainboardWithoutLinux64);
    } else if (board.boardType == "VKx86_32" && board.fwType == 0 && file.FwCompabilityId >= 7) {
        reportMessage(
            L"ERROR: Cannot update VK4050 board with serial number %u (%hs, product "
            L"version %hs).\n       VK4050 boards are not supported by firmware version "
            L"%hs (FW_COMPATIBILITY_ID %u).\n       An OLDER version is required for "
            L"this device (FW_TYPE %u)!\n",
            board.serialNumber, board.boardType.c_str(), board.productVersion.getAsString().c_str(),
            run.firmwareText.c_str(), file.FwCompabilityId, board.fwType);
        traceIncompatibleFile(j, file);
        run.result = -1;
        decide(i, ReasonOlderFirmwareRequired);
    }
}

// A file older than the board needs: the board fails the run or is ignored.
void judgeTooOldFile(size_t i, size_t j, BoardRecord& board, const UpdateFileRecord& file,
                     CheckRun& run) {
    const std::string productVersion = board.productVersion.getAsString().str();
    if (inStrictClassSet(board.systemClass)) {
        reportMessage(
            L"ERROR: Cannot update board with serial number %u (%hs, product version "
            L"%hs).\n       This board is not compatible with firmware version %hs "
            L"(FW_COMPATIBILITY_ID %u).\n       A newer version is required for this "
            L"board (FW_TYPE %u)!\n",
            board.serialNumber, board.boardType.c_str(), productVersion.c_str(),
            run.firmwareText.c_str(), file.FwCompabilityId, board.fwType);
        traceIncompatibleFile(j, file);
        setMatchFlag(board.fileFailed, j);
        run.result = -1;
        decide(i, ReasonNewerFirmwareRequired);
        return;
    }
    reportMessage(
        L"WARNING: Cannot update board with serial number %u (%hs, product version "
        L"%hs).\n            This board is not compatible with firmware version %hs "
        L"(FW_COMPATIBILITY_ID %u).\n            and will be ignored. A newer version is "
        L"required for this board (FW_TYPE %u)!\n",
        board.serialNumber, board.boardType.c_str(), productVersion.c_str(),
        run.firmwareText.c_str(), file.FwCompabilityId, board.fwType);
    traceIncompatibleFile(j, file);
    setMatchFlag(board.fileFailed, j);
    board.matchCount = 0;
    decide(i, ReasonNewerFirmwareRequiredIgnored);
}

void judgeMatchedFiles(size_t i, BoardRecord& board, CheckRun& run) {
    for (size_t j = 0; j < matchesOf(board); ++j) {
        const UpdateFileRecord* file = catalogueEntry(matchedFile(board, j));
        if (file == nullptr || file->IsBusFpga || file->IsBootLoader || !file->IsSelected) {
            continue;
        }
        if (board.fwType <= file->FwCompabilityId) {
            judgeNewEnoughFile(i, j, board, *file, run);
            continue;
        }
        // The board's remaining files are not examined.
        judgeTooOldFile(i, j, board, *file, run);
        return;
    }
}

// Judges board i. Returns false when the check ends at this board.
bool judgeBoard(size_t i, BoardRecord& board, CheckRun& run) {
    trace(L"----> Device #%02d (%hs, %hs, %hs) FW_TYPE: %d\n", static_cast<int>(i),
          board.boardType.c_str(), board.productVersion.getAsString().c_str(),
          board.address.toString().c_str(), board.fwType);
    if (board.matchCount == 0) {
        return judgeBoardWithoutFiles(i, board, run);
    }
    if (!board.hasUpdateInfo) {
        if (ignoredWithoutUpdateInfo(i, board)) {
            return true;
        }
    } else if (unsupportedHardware(i, board, run)) {
        return false;
    }
    judgeMatchedFiles(i, board, run);
    return true;
}

}  // namespace

int32_t checkFirmwareCompatibility(BoardTable& table, const VkTCmdOptions& options,
                                   const VkCVersion& firmwareVersion) {
    CheckRun run{options, firmwareVersion.getAsString().str()};
    const size_t count = boardsInRun(table);
    for (size_t i = 0; i < count; ++i) {
        BoardRecord& board = table[i];
        if (!isBoardSelected(board, options)) {
            continue;
        }
        if (!judgeBoard(i, board, run)) {
            return -1;
        }
    }
    return run.result;
}
