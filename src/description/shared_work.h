#pragma once
// Work shared by the calling thread and one helper thread.
#include <cstddef>
#include <functional>

#include "VkNRtosAbstraction.h"

// Starts body(context) on a helper thread, to be joined with VkNRtosAbstraction::joinThread.
// False, and no thread, on a machine with one processor (where the threads would only take
// turns) or when none can be started: the caller then does the work itself.
bool startHelperThread(const char* name, VkNRtosAbstraction::ThreadBody body, void* context,
                       VkNRtosAbstraction::ThreadHandle& thread);

// Runs work(i) for every i below count, each exactly once, on the calling thread and on one
// helper thread; each takes the next index until none is left. The helper first runs
// helperFirst. Returns when all is done. Without a helper thread (for fewer than 256 items, on
// a machine with one processor, or when none can be started) the calling thread runs
// helperFirst and then every item. work must be safe to run on two threads at once for
// different items.
void shareWork(size_t count, const std::function<void(size_t)>& work,
               const std::function<void()>& helperFirst);
