#include "reporting/board_display.h"

#include "interface/board_selection.h"
#include "reporting/console.h"

namespace {

struct PartLine {
    int slot;
    const wchar_t* format;
};

// Installed parts in listing order; the labels align the versions at column 32.
const PartLine kInstalledParts[] = {
    {1, L"  Firmware version:            %hs\n"},  {3, L"  FPGA version:                %hs\n"},
    {8, L"  IPL version:                 %hs\n"},  {10, L"  CN firmware version:         %hs\n"},
    {11, L"  CN IPL version:              %hs\n"}, {12, L"  CN CPU config. version:      %hs\n"},
    {16, L"  Hypervisor firmware version: %hs\n"},
};

// Parts an I/O node needs; each missing one is warned about.
const PartLine kIoNodeParts[] = {
    {8, L"  WARNING: No user IPL installed!\n"},
    {10, L"  WARNING: No CN firmware installed!\n"},
    {11, L"  WARNING: No CN IPL installed!\n"},
    {12, L"  WARNING: No CN CPU configuration installed!\n"},
};

const PartLine kCommonHistories[] = {
    {1, L"\nFW Version History of Device %hs [SN: %u]:\n"},
    {2, L"\nFPGA Version History of Device %hs [SN: %u]:\n"},
};

const PartLine kIoNodeHistories[] = {
    {6, L"\nIPL Version History of Device %hs [SN: %u]:\n"},
    {7, L"\nCN FW Version History of Device %hs [SN: %u]:\n"},
    {8, L"\nCN IPL Version History of Device %hs [SN: %u]:\n"},
    {9, L"\nCN CPU Configuration Version History of Device %hs [SN: %u]:\n"},
};

constexpr uint32_t kClassGroupMask = 0xFFFF0000;
constexpr uint32_t kIoNodeClassGroup = 0x40000;

bool isIoNodeClass(const BoardRecord& board) {
    return (board.systemClass & kClassGroupMask) == kIoNodeClassGroup;
}

void printBoard(const BoardRecord& board) {
    reportMessage(L"Board: %hs SN: %u (%hs)\n", board.productName.c_str(), board.serialNumber,
                  board.boardType.c_str());
    for (const PartLine& part : kInstalledParts) {
        const VkCVersion& version = board.installedVersion(part.slot);
        if (version.getAsULong64() != 0) {
            reportMessage(part.format, version.getAsString().c_str());
        }
    }
    if (board.activeFirmware > 1) {
        reportMessage(L"  WARNING: No user firmware installed!\n");
    }
    if (board.activeFpga > 1) {
        reportMessage(L"  WARNING: No user FPGA firmware installed!\n");
    }
    if (isIoNodeClass(board)) {
        for (const PartLine& part : kIoNodeParts) {
            if (board.installedVersion(part.slot).getAsULong64() == 0) {
                reportMessage(part.format);
            }
        }
    }
    reportMessage(L"\n");
}

void printHistory(const BoardRecord& board, const PartLine& part) {
    reportMessage(part.format, board.boardType.c_str(), board.serialNumber);
    reportMessage(L"--------------------------------------------------------\n");
    reportMessage(L"%hs\n\n", board.versionHistory(part.slot).c_str());
}

void printHistories(const BoardRecord& board) {
    for (const PartLine& part : kCommonHistories) {
        if (!board.versionHistory(part.slot).isEmpty()) {
            printHistory(board, part);
        }
    }
    if (isIoNodeClass(board)) {
        for (const PartLine& part : kIoNodeHistories) {
            printHistory(board, part);
        }
    }
}

}  // namespace

void printConnectedBoards(const BoardTable& table, VkTCmdOptions options) {
    reportMessage(L"\nConnected boards:\n\n");
    for (const BoardRecord& board : table) {
        if (isBoardSelected(board, options)) {
            printBoard(board);
        }
    }
}

void printVersionHistories(const BoardTable& table, VkTCmdOptions options) {
    for (const BoardRecord& board : table) {
        if (isBoardSelected(board, options)) {
            printHistories(board);
        }
    }
}
