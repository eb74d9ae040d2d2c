#pragma once
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// Whether the options' board filter (board type, serial-number list, slot) addresses board.
bool isBoardSelected(const BoardRecord& board, const VkTCmdOptions& options);

// Whether token is one entry of list, entries being separated by commas and/or blanks.
// An empty token is in every list.
bool serialListContains(const char* list, const char* token);
