#include "update/results_report.h"

#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/error_list_report.h"

namespace {

const char* typeNameOf(int32_t k) {
    const UpdateFileRecord* file = catalogueEntry(k);
    return file != nullptr ? file->TypeName.c_str() : "";
}

// The board's line of failed files, and its errors; whether it had any.
bool reportFailedFiles(const BoardRecord& board) {
    bool anyFailed = false;
    for (size_t i = 0; i < matchesOf(board); ++i) {
        if (!matchFlag(board.fileFailed, i)) {
            continue;
        }
        if (!anyFailed) {
            reportMessage(L"    ERROR: %hs, SN %u: ", board.boardType.c_str(), board.serialNumber);
            reportMessage(L"%hs", typeNameOf(matchedFile(board, i)));
            anyFailed = true;
        } else {
            reportMessage(L", %hs", typeNameOf(matchedFile(board, i)));
        }
    }
    if (anyFailed) {
        reportMessage(L"\n");
        if (board.errorPool != nullptr && board.errorPool->getErrorCount() != 0) {
            reportErrorList(*board.errorPool);
        }
    }
    return anyFailed;
}

}  // namespace

int32_t reportResults(const BoardTable& table, bool missingFlag) {
    reportMessage(L"\nResults:\n");
    bool anyFailed = false;
    const size_t count = boardsInRun(table);
    for (size_t b = 0; b < count; ++b) {
        if (reportFailedFiles(table[b])) {
            anyFailed = true;
        }
    }
    if (!anyFailed && !missingFlag) {
        reportMessage(L"\n    Update completed successfully!\n");
        return 0;
    }
    reportMessage(L"\n    Update failed due to errors!\n");
    if (missingFlag) {
        reportMessage(L"      Missing files in the source folder!\n");
    }
    return 1;
}
