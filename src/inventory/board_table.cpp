#include "inventory/board_table.h"

#include <type_traits>

#include "interface/run_records.h"

// Growing the table moves the records; a move keeps each record's per-match arrays where they
// are, so pointers handed to the host with event 33 stay valid for the whole run.
static_assert(std::is_nothrow_move_constructible_v<BoardRecord>,
              "board records must move without copying their per-match arrays");

namespace {

void initialiseSlot(BoardRecord& record, uint32_t fileCount) {
    record.errorPool = VkCErrorManager::getInstance().createErrorList(0, 1, 20, 5, 300);
    record.matchFiles.assign(fileCount, -1);
    record.fileFailed.assign(fileCount, 0);
    record.fileUpToDate.assign(fileCount, 0);
    record.fileUpdated.assign(fileCount, 0);
    for (uint32_t& checksum : record.installedChecksums) {
        checksum = kUnknownChecksum;
    }
}

}  // namespace

BoardRecord& appendBoardRecord(BoardTable& table, uint32_t fileCount) {
    table.emplace_back();
    BoardRecord& record = table.back();
    initialiseSlot(record, fileCount);
    return record;
}

void freeBoardTable(BoardTable& table) {
    for (BoardRecord& record : table) {
        record.matchFiles = {};
        record.fileFailed = {};
        record.fileUpToDate = {};
        record.fileUpdated = {};
    }
    table = BoardTable();
}
