#pragma once
#include <cstdint>
#include <vector>

#include "VkCErrorList.h"
#include "VkNRtosAbstraction.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// The overall progress of an update pass, shown by a thread of its own while the status stage
// polls the target: on the console as one line rewritten in place every 200 ms, or as host
// messages and events. The thread only reads the board table, the catalogue and the options;
// it writes the module state's progressPercent and spinnerIndex.

// What the progress thread reads. counted holds one flag per catalogue entry: only the files
// whose flag is set take part in the percentage.
struct ProgressContext {
    const BoardTable* table = nullptr;
    const VkTCmdOptions* options = nullptr;
    const std::vector<uint8_t>* counted = nullptr;
};

// The thread body; argument is a ProgressContext that outlives the thread. Sends event 0
// (its answer is the stage context), cycles until progressRunning is cleared, writes the
// final line and sends event 10.
unsigned progressThread(void* argument);

// Sets progressRunning and starts the thread. The flag is set before the thread exists, so a
// thread that starts late can never set it again after stopProgressDisplay has cleared it.
// False (with an error in pool) when no thread could be started.
bool startProgressDisplay(VkCErrorListPool& pool, ProgressContext& context,
                          VkNRtosAbstraction::ThreadHandle& thread);

// Clears progressRunning, waits for the thread to end and sets progressPercent to 0.
void stopProgressDisplay(VkNRtosAbstraction::ThreadHandle thread);
