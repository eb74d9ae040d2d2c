#pragma once
#include "VkCVersion.h"
#include "interface/run_records.h"
#include "update/update_run.h"

// The boot loader version the board reports: that of its third boot loader entry when it has
// one, else that of its first.
const VkCVersion& installedBootLoaderVersion(const BoardRecord& board);

// Writes every matched boot loader file that is newer than the boot loader its board reports
// to the target's CN drive, whatever the board filter. True when every boot loader that
// needed writing was written (also when there was nothing to do); false after any failure,
// each failed file marked on its board and its error in the caller's pool.
bool updateBootLoader(UpdateRun& run);
