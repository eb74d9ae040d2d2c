#include "library_runs.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "VkNRtosAbstraction.h"
#include "VkTalveronUpdateLib.h"
#include "bench_support.h"

namespace update_bench {

namespace {

using Clock = std::chrono::steady_clock;

// What must be undone when the library ends the process in the middle of a run.
struct ExitCleanup {
    std::string scratch;
    StdoutCapture* capture = nullptr;
    std::string outputFile;
};
ExitCleanup gExitCleanup;

void cleanUpAfterLibraryExit() {
    if (gExitCleanup.capture == nullptr) {
        return;
    }
    gExitCleanup.capture->restore();
    std::fprintf(stderr,
                 "bench_update: the library ended the process during a run; its output ends "
                 "with:\n%s\n",
                 lastLines(readFileText(gExitCleanup.outputFile), kOutputTailBytes).c_str());
    removeTree(gExitCleanup.scratch);
}

// Marks the span of one library call for cleanUpAfterLibraryExit.
class LibraryCallSpan {
  public:
    LibraryCallSpan(StdoutCapture& capture, const std::string& outputFile) {
        gExitCleanup.capture = &capture;
        gExitCleanup.outputFile = outputFile;
    }
    ~LibraryCallSpan() { gExitCleanup.capture = nullptr; }
    LibraryCallSpan(const LibraryCallSpan&) = delete;
    LibraryCallSpan& operator=(const LibraryCallSpan&) = delete;
};

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

VkTCmdOptions consoleOptions(const GeneratedTarget& target, uint32_t mode) {
    VkTCmdOptions options;
    options.firmwareFolder = widen(target.firmwareFolder);
    options.descriptionFile = widen(kDescriptionFile);
    options.systemName = kSystemName;
    // vkupdate's choice when no kind of part is named: all of them.
    options.updateFirmware = true;
    options.updateFpgaFirmware = true;
    options.updateBusFpga = true;
    options.silent = true;
    options.assumeYes = true;
    options.mode = mode;
    return options;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int32_t runLibraryTimed(const GeneratedTarget& target, uint32_t mode, const std::string& outputFile,
                        RunTimes& times) {
    pointSimulationAt(target);
    const VkTCmdOptions options = consoleOptions(target, mode);
    VkCErrorListPool pool;
    StdoutCapture capture(outputFile);
    if (!capture.active()) {
        return -1;
    }
    LibraryCallSpan span(capture, outputFile);
    const uint64_t waitsBefore = VkNRtosAbstraction::requestedSleepMicroseconds();
    const double processBefore = processCpuSeconds();
    const double callerBefore = threadCpuSeconds();
    const Clock::time_point start = Clock::now();
    const int32_t result = VkSmartUpdateTool(pool, options);
    times.wall = secondsSince(start);
    times.callerCpu = threadCpuSeconds() - callerBefore;
    times.processCpu = processCpuSeconds() - processBefore;
    times.waits = double(VkNRtosAbstraction::requestedSleepMicroseconds() - waitsBefore) * 1e-6;
    return result;
}

void removeScratchIfLibraryExits(const std::string& scratch) {
    gExitCleanup.scratch = scratch;
    std::atexit(cleanUpAfterLibraryExit);
}

}  // namespace update_bench
