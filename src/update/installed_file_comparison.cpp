#include "update/installed_file_comparison.h"

#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "os/VkOs.h"
#include "reporting/console.h"

namespace {

// Firmware type -> slots of installedVersions and installedChecksums.
struct SlotRow {
    uint32_t fwType;
    InstalledSlots slots;
};
constexpr SlotRow kSlotTable[] = {
    {1, {1, 1}},   {2, {2, 2}},   {3, {3, 3}},    {4, {4, 4}}, {11, {5, 5}},
    {12, {6, 6}},  {13, {7, 7}},  {7, {8, 8}},    {6, {9, 9}}, {8, {10, 10}},
    {9, {11, 11}}, {5, {12, 12}}, {14, {16, 13}},
};

}  // namespace

bool installedSlotsOf(const UpdateFileRecord& file, InstalledSlots& slots) {
    // Bus-FPGA images of types 3 and 4 are plain files on the CN drive, not board parts.
    if (file.IsBusFpga && (file.FwType == 3 || file.FwType == 4)) {
        return false;
    }
    for (const SlotRow& row : kSlotTable) {
        if (row.fwType == file.FwType) {
            slots = row.slots;
            return true;
        }
    }
    return false;
}

bool versionDiffers(const BoardRecord& board, const UpdateFileRecord& file) {
    InstalledSlots slots;
    if (file.IsMissing || !installedSlotsOf(file, slots)) {
        return true;
    }
    return file.Version != board.installedVersion(slots.versionSlot);
}

bool checksumDiffers(const BoardRecord& board, const UpdateFileRecord& file) {
    InstalledSlots slots;
    if (file.IsMissing || !installedSlotsOf(file, slots)) {
        return true;
    }
    return file.Crc32Checksum != board.installedChecksum(slots.checksumSlot);
}

namespace {

const char* differsText(bool differs) {
    return differs ? "differs" : "equal";
}

bool comparedByVersion(const BoardRecord& board, const VkTCmdOptions& options) {
    return isBoardSelected(board, options) && board.activeFirmware <= 1 && board.activeFpga <= 1 &&
           board.matchCount > 0;
}

void compareBoard(BoardRecord& board) {
    for (size_t i = 0; i < matchesOf(board); ++i) {
        const UpdateFileRecord* file = catalogueEntry(matchedFile(board, i));
        if (file == nullptr) {
            continue;  // no file at this position, nothing can be installed
        }
        const bool vd = versionDiffers(board, *file);
        const bool cd = checksumDiffers(board, *file);
        trace(L"[%hs] %hs: %hs: version %hs, checksum %hs\n", board.boardType.c_str(),
              board.address.toString().c_str(), file->TypeName.c_str(), differsText(vd),
              differsText(cd));
        if (!vd && !cd) {
            setMatchFlag(board.fileUpToDate, i);
        }
    }
}

}  // namespace

void checkVersions(BoardTable& table, const VkTCmdOptions& options) {
    // No board table, or no description read. A description that lists no files is a valid,
    // empty catalogue: nothing is compared and nothing will be written.
    if (boardsInRun(table) == 0 || !moduleState().catalogueRead) {
        reportMessage(
            L"ERROR: Unexpected error. No handles to update devices or update files "
            L"found.\n\tPlease retry update after power-cycle target device.\n\tIf the "
            L"problem could not be solved by this, please contact Velkor support.\n");
        VkOs::exitProcess(1);
    }
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        BoardRecord& board = table[b];
        if (comparedByVersion(board, options)) {
            compareBoard(board);
        }
    }
}
