#pragma once
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// Lists the catalogue files that are absent from the firmware folder. True when one of them
// was matched to a board of the table.
bool reportMissingFiles();

// Lists the selected files of selected boards (without a failed pass) that are already
// installed.
void reportUpdateNotRequired(const BoardTable& table, const VkTCmdOptions& options);

// The plan: the two lists above, then one row per match of every board, selected or not,
// with the pass in which the file will be written; three detail lines per row when
// options.verbose is set.
void printUpdatePlan(const VkTCmdOptions& options, const BoardTable& table);
