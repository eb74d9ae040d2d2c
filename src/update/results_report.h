#pragma once
#include <cstdint>

#include "interface/run_records.h"

// The last step of an update: one line per board with failed files (the board type, its
// serial number and the type names of the failed files), each followed by the errors the
// target recorded for that board, then the verdict. 0 when no file failed and no needed file
// was missing (missingFlag), else 1.
int32_t reportResults(const BoardTable& table, bool missingFlag);
