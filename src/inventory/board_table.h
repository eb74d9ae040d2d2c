#pragma once
#include <cstdint>

#include "interface/run_records.h"

// Appends a record to the table and gives it the initial values of a newly found board:
// its own error pool from the error manager, the four per-match arrays with fileCount
// entries (no match, no flags) and every installed checksum marked unknown. Records already
// in the table keep their index and their per-match arrays.
BoardRecord& appendBoardRecord(BoardTable& table, uint32_t fileCount);

// Releases the per-match arrays of every record and empties the table. The records' error
// pools belong to the error manager and stay.
void freeBoardTable(BoardTable& table);
