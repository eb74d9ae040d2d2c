#include "description/shared_work.h"

#include <atomic>
#include <thread>
#include <utility>

#include "VkCErrorList.h"

namespace {

// Below this many items starting and joining a helper costs more than it saves.
constexpr size_t kFewestItemsToShare = 256;

struct SharedWork {
    size_t count;
    const std::function<void(size_t)>& work;
    std::atomic<size_t> next{0};

    void takeItems() {
        for (size_t i = next.fetch_add(1, std::memory_order_relaxed); i < count;
             i = next.fetch_add(1, std::memory_order_relaxed)) {
            work(i);
        }
    }
};

unsigned helpWithWork(void* context) {
    static_cast<SharedWork*>(context)->takeItems();
    return 0;
}

unsigned runTask(void* context) {
    (*static_cast<std::function<void()>*>(context))();
    return 0;
}

}  // namespace

bool startHelperThread(const char* name, VkNRtosAbstraction::ThreadBody body, void* context,
                       VkNRtosAbstraction::ThreadHandle& thread) {
    thread = nullptr;
    if (std::thread::hardware_concurrency() == 1) {
        return false;
    }
    VkCErrorListPool threadErrors;
    return VkNRtosAbstraction::createThread(threadErrors, thread, 0, 0, name, body, context, 0);
}

void shareWork(size_t count, const std::function<void(size_t)>& work) {
    SharedWork shared{count, work};
    VkNRtosAbstraction::ThreadHandle helper = nullptr;
    if (count < kFewestItemsToShare ||
        !startHelperThread("shared-work", &helpWithWork, &shared, helper)) {
        helpWithWork(&shared);
        return;
    }
    shared.takeItems();
    VkNRtosAbstraction::joinThread(helper, nullptr, -1);
}

TaskBeside::TaskBeside(size_t itemCount, std::function<void()> task) : task_(std::move(task)) {
    if (itemCount < kFewestItemsToShare ||
        !startHelperThread("task-beside", &runTask, &task_, thread_)) {
        task_();
    }
}

TaskBeside::~TaskBeside() {
    if (thread_ != nullptr) {
        VkNRtosAbstraction::joinThread(thread_, nullptr, -1);
    }
}
