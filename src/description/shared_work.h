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
// helper thread; each takes the next index until none is left. Returns when all is done.
// Without a helper thread (for fewer than 256 items, on a machine with one processor, or when
// none can be started) the calling thread runs every item. work must be safe to run on two
// threads at once for different items.
void shareWork(size_t count, const std::function<void(size_t)>& work);

// Runs task, which works on itemCount items, on a helper thread while the caller goes on; the
// task is done when the object is destroyed. Without a helper thread (for fewer than 256
// items, on a machine with one processor, or when none can be started) the task runs at once,
// in the constructor. task must not throw, and must be safe to run beside what the caller does
// meanwhile.
class TaskBeside {
  public:
    TaskBeside(size_t itemCount, std::function<void()> task);
    ~TaskBeside();
    TaskBeside(const TaskBeside&) = delete;
    TaskBeside& operator=(const TaskBeside&) = delete;

  private:
    std::function<void()> task_;
    VkNRtosAbstraction::ThreadHandle thread_ = nullptr;
};
