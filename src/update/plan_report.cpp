#include "update/plan_report.h"

#include <string>

#include "interface/board_selection.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

bool reportMissingFiles() {
    bool neededFileMissing = false;
    bool headerDone = false;
    const size_t count = filesInCatalogue();
    for (size_t k = 0; k < count; ++k) {
        const UpdateFileRecord& file = moduleState().fileCatalogue[k];
        if (!file.IsMissing) {
            continue;
        }
        if (!headerDone) {
            reportMessage(L"\nMissing Files:\n");
            headerDone = true;
        }
        reportMessage(L"%*s%s\n", 8, L"", file.FileName.c_str());
        neededFileMissing = neededFileMissing || file.IsNeeded;
    }
    return neededFileMissing;
}

namespace {

const char* displayName(const BoardRecord& board) {
    if (!board.productName.isEmpty()) {
        return board.productName.c_str();
    }
    return board.boardType.c_str();
}

bool listedAsInstalled(const BoardRecord& board, const VkTCmdOptions& options) {
    return board.failedPass == 0 && isBoardSelected(board, options) && board.matchCount > 0;
}

}  // namespace

void reportUpdateNotRequired(const BoardTable& table, const VkTCmdOptions& options) {
    bool headerDone = false;
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        const BoardRecord& board = table[b];
        if (!listedAsInstalled(board, options)) {
            continue;
        }
        for (size_t i = 0; i < matchesOf(board); ++i) {
            const UpdateFileRecord* file = catalogueEntry(matchedFile(board, i));
            if (file == nullptr || !file->IsSelected || !matchFlag(board.fileUpToDate, i)) {
                continue;
            }
            if (!headerDone) {
                reportMessage(L"\nUpdate not required:\n");
                headerDone = true;
            }
            if (!file->IsBusFpga) {
                reportMessage(L"%*sSN: %u (%hs), Type: %hs\n", 8, L"", board.serialNumber,
                              displayName(board), file->TypeName.c_str());
            } else {
                reportMessage(L"%*sSN: %u (%hs), Type: %hs (%s)\n", 8, L"", board.serialNumber,
                              displayName(board), file->TypeName.c_str(), file->FileName.c_str());
            }
        }
    }
}

namespace {

void reportPlanDetails(const UpdateFileRecord& file) {
    reportMessage(L"    FileName: %ws\n", file.FileName.c_str());
    reportMessage(L"    Crc32Checksum: %u  HwType: %u  FwCompabilityId: %u  FpgaType: %u\n",
                  file.Crc32Checksum, file.HwType, file.FwCompabilityId, file.FpgaType);
    reportMessage(
        L"    MinHwCompatibilityId: %u  MaxHwCompatibilityId: %u  MinSwCompatibilityId: "
        L"%u  MaxSwCompatibilityId: %u\n",
        file.MinHwCompatibilityId, file.MaxHwCompatibilityId, file.MinSwCompatibilityId,
        file.MaxSwCompatibilityId);
}

void reportPlanRows(const BoardRecord& board, const VkTCmdOptions& options) {
    const bool selected = isBoardSelected(board, options);
    const std::wstring boardType = utf8ToWide(board.boardType.str());
    // Positions up to matchCount, as many as the board's match array holds.
    for (size_t i = 0; i < board.matchCount; ++i) {
        const int32_t k = matchedFile(board, i);
        const UpdateFileRecord* file = catalogueEntry(k);
        if (file == nullptr) {
            reportMessage(L"ERROR: File handle %u for %s is invalid!", static_cast<unsigned>(i),
                          utf8ToWide(board.address.toString().str()).c_str());
            continue;
        }
        const std::wstring sequence = (!matchFlag(board.fileUpToDate, i) && selected)
                                          ? std::to_wstring(file->UpdatePass)
                                          : std::wstring(L"-");
        reportMessage(L"%-8s (%8u) %s        %-16s %-14s %s\n", boardType.c_str(),
                      board.serialNumber, selected ? L"Y" : L"N",
                      utf8ToWide(file->TypeName.str()).c_str(),
                      utf8ToWide(file->Version.getAsString().str()).c_str(), sequence.c_str());
        if (options.verbose) {
            reportPlanDetails(*file);
        }
    }
}

}  // namespace

void printUpdatePlan(const VkTCmdOptions& options, const BoardTable& table) {
    reportMissingFiles();
    reportUpdateNotRequired(table, options);
    reportMessage(L"\n");
    reportMessage(
        L"Board               Selected FW Type          Version        Update sequence\n");
    reportMessage(
        L"----------------------------------------------------------------------------\n");
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        reportPlanRows(table[b], options);
    }
}
