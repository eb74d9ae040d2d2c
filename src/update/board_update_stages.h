#pragma once
#include <cstdint>

#include "update/update_run.h"

// The stages that apply the files of a pass to the boards, in the order runUpdateSequence
// calls them. Each sends event 0 at its start (the answer is its stage context) and event 10
// at its end.

// Asks the target to start the update of every file transferred in this pass on its board,
// counting the starts in run.startedCount. A failed start fails the file and the board for
// the pass; the board's later files are still started.
void startUpdates(UpdateRun& run, uint32_t pass);

// Polls the status of the started updates every 200 ms, beside the progress display, until
// each has ended (run.finishedCount reaches run.startedCount). Two failed queries in a row,
// an end other than "finished", or no progress within the stall limit fail the file and the
// board.
void pollUpdateStatus(UpdateRun& run, uint32_t pass);

// Collects the errors of every transferred file's board update and closes the progress line
// with "[OK]" or "[ERROR]".
void collectUpdateErrors(UpdateRun& run, uint32_t pass);

// Writes the bus-FPGA files of the pass to the target's CN drive, making missing folders.
// A file that cannot be written fails on its own; its board goes on.
void updateBusFpgaFiles(UpdateRun& run, uint32_t pass);

// The progress of an update in percent: done * 100 / total, where a total of 0 counts as 1.
uint32_t updatePercent(uint32_t done, uint32_t total);

// The stall limit in seconds from VK_UPDATE_STALL_SECONDS (default 600, 0 = wait for ever).
// A value that is no number of seconds is reported and the default taken.
uint32_t stallLimitSeconds();
