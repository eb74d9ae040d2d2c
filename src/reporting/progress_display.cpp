#include "reporting/progress_display.h"

#include "interface/board_selection.h"
#include "interface/module_state.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/format.h"
#include "reporting/host_events.h"

namespace {

constexpr uint64_t kCycleMicroseconds = 200000;
constexpr size_t kProgressTextCapacity = 100;
const char* const kSpinner[] = {"-", "\\", "|", "/"};

// Formats the thread's host messages: the driver thread owns the module's message buffer.
struct ProgressOutput {
    void report(const char* text) {
        reportMessageWithBuffer(buffer, ModuleState::kMessageBufferSize, L"%-56.56hs\r", text);
    }
    void reportFinal(const char* text) {
        reportMessageWithBuffer(buffer, ModuleState::kMessageBufferSize, L"%-56.56hs", text);
    }
    wchar_t buffer[ModuleState::kMessageBufferSize] = {};
};

bool isCounted(const ProgressContext& context, int32_t k) {
    return k >= 0 && static_cast<size_t>(k) < context.counted->size() &&
           (*context.counted)[static_cast<size_t>(k)] != 0;
}

bool takesPart(const BoardRecord& board, const VkTCmdOptions& options) {
    return board.failedPass == 0 && isBoardSelected(board, options) && board.matchCount > 0;
}

// The board's counted files: each ended file adds 100, each running one the board's progress
// (and an event 30).
void addBoardProgress(const ProgressContext& context, size_t b, uint32_t stageContext,
                      uint64_t& sum, uint32_t& files) {
    const BoardRecord& board = (*context.table)[b];
    for (size_t k = 0; k < matchesOf(board); ++k) {
        const int32_t index = matchedFile(board, k);
        if (index == -1 || matchFlag(board.fileUpToDate, k) || !isCounted(context, index)) {
            continue;
        }
        if (matchFlag(board.fileFailed, k) || matchFlag(board.fileUpdated, k)) {
            sum += 100;
        } else {
            sum += board.updateProgress;
            sendEvent(EvFileProgress, stageContext, static_cast<uint32_t>(b),
                      static_cast<uint32_t>(k), 0);
        }
        ++files;
    }
}

void runCycle(const ProgressContext& context, uint32_t stageContext, ProgressOutput& output) {
    ModuleState& state = moduleState();
    uint64_t sum = 0;
    uint32_t files = 0;
    const size_t count = boardsInRun(*context.table);
    for (size_t b = 0; b < count; ++b) {
        if (takesPart((*context.table)[b], *context.options)) {
            addBoardProgress(context, b, stageContext, sum, files);
        }
    }
    if (files > 0) {
        state.progressPercent = static_cast<uint32_t>(sum / files);
    }
    if (context.options->silent) {
        return;
    }
    const uint32_t percent = state.progressPercent;
    const uint32_t spinner = state.spinnerIndex;
    char text[kProgressTextCapacity];
    formatNarrow(text, sizeof text, "%u%% %s         ", percent, kSpinner[spinner % 4]);
    state.spinnerIndex = (spinner + 1) % 4;
    output.report(text);
    sendEvent(EvProgress, stageContext, percent);
}

}  // namespace

unsigned progressThread(void* argument) {
    const ProgressContext& context = *static_cast<const ProgressContext*>(argument);
    ModuleState& state = moduleState();
    ProgressOutput output;
    const bool hostAsked = hostCallbackRegistered();
    const uint32_t stageContext = openStage(EvStageOpen);
    // Without a host at least one cycle runs; a host that answered after the stage was over
    // gets the final line at once.
    if (!hostAsked || state.progressRunning) {
        do {
            runCycle(context, stageContext, output);
            VkNRtosAbstraction::usleep(kCycleMicroseconds);
        } while (state.progressRunning);
    }
    char text[kProgressTextCapacity] = "";
    if (!context.options->silent) {
        formatNarrow(text, sizeof text, "%u%%          ", 100u);
    }
    output.reportFinal(text);
    sendEvent(EvStageClose, stageContext);
    return 0;
}

bool startProgressDisplay(VkCErrorListPool& pool, ProgressContext& context,
                          VkNRtosAbstraction::ThreadHandle& thread) {
    ModuleState& state = moduleState();
    state.progressRunning = true;
    if (!VkNRtosAbstraction::createThread(pool, thread, 1, 0, "", &progressThread, &context, 0)) {
        state.progressRunning = false;
        thread = nullptr;
        return false;
    }
    return true;
}

void stopProgressDisplay(VkNRtosAbstraction::ThreadHandle thread) {
    ModuleState& state = moduleState();
    state.progressRunning = false;
    if (thread != nullptr) {
        VkNRtosAbstraction::joinThread(thread, nullptr, -1);
    }
    state.progressPercent = 0;
}
