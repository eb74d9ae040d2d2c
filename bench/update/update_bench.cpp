// A full update through the library (VkSmartUpdateTool, mode Update, console mode, silent)
// of a generated simulated target, for 12, 300 and 1002 files, each on a fresh target and
// firmware folder, at VK_SIM_TIME_SCALE=0 and "updatePolls": 1. Prints wall and CPU time, in
// total and per file, and the waits a real target would have taken; then the same platform
// calls made without the library, to tell the library's CPU time from the simulation's.
//   bench_update [FOLDER]      default: $TMPDIR or /tmp
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VkNRtosAbstraction.h"
#include "VkTalveronUpdateLib.h"
#include "bench_support.h"
#include "generated_target.h"
#include "platform_replay.h"

using namespace update_bench;

namespace {

using Clock = std::chrono::steady_clock;

// 4, 100 and 334 boards of three files each.
constexpr uint32_t kBoardCounts[] = {4, 100, 334};
constexpr uint32_t kWarmUpBoards = 4;
constexpr const char* kSuccessText = "Update completed successfully!";
constexpr size_t kOutputTailBytes = 2000;

struct UpdateTimes {
    size_t files = 0;
    uint32_t boards = 0;
    double wall = 0;
    double processCpu = 0;
    double callerCpu = 0;  // the thread that called the library
    double waits = 0;      // what the caller's usleep calls asked for, before scaling
};

struct ReplayTimes {
    double wall = 0;
    double cpu = 0;
};

// What the library's std::exit in the middle of an update must still undo: the library ends
// the process on conditions it cannot recover from, and no destructor of main runs then.
struct ExitCleanup {
    StdoutCapture* capture = nullptr;
    std::string outputFile;
    std::string scratch;
};
ExitCleanup gExitCleanup;

void cleanUpAfterLibraryExit() {
    if (gExitCleanup.capture == nullptr) {
        return;
    }
    gExitCleanup.capture->restore();
    std::fprintf(stderr,
                 "bench_update: the library ended the process during an update; its output "
                 "ends with:\n%s\n",
                 lastLines(readFileText(gExitCleanup.outputFile), kOutputTailBytes).c_str());
    removeTree(gExitCleanup.scratch);
}

class ExitCleanupGuard {
  public:
    ExitCleanupGuard(StdoutCapture& capture, const std::string& outputFile,
                     const std::string& scratch) {
        gExitCleanup = ExitCleanup{&capture, outputFile, scratch};
    }
    ~ExitCleanupGuard() { gExitCleanup = ExitCleanup(); }
    ExitCleanupGuard(const ExitCleanupGuard&) = delete;
    ExitCleanupGuard& operator=(const ExitCleanupGuard&) = delete;
};

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

VkTCmdOptions fullUpdateOptions(const GeneratedTarget& target) {
    VkTCmdOptions options;
    options.firmwareFolder = widen(target.firmwareFolder);
    options.descriptionFile = widen(kDescriptionFile);
    options.systemName = kSystemName;
    // vkupdate's default when no part is named: every kind of part takes part.
    options.updateFirmware = true;
    options.updateFpgaFirmware = true;
    options.updateBusFpga = true;
    options.silent = true;
    options.assumeYes = true;
    options.mode = Update;
    return options;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the update with standard output in outputFile; the library's result.
int32_t timedLibraryUpdate(const GeneratedTarget& target, const std::string& outputFile,
                           const std::string& scratch, UpdateTimes& times) {
    pointSimulationAt(target);
    VkCErrorListPool pool;
    StdoutCapture capture(outputFile);
    if (!capture.active()) {
        return -1;
    }
    ExitCleanupGuard guard(capture, outputFile, scratch);
    const uint64_t waitsBefore = VkNRtosAbstraction::requestedSleepMicroseconds();
    const double processBefore = processCpuSeconds();
    const double callerBefore = threadCpuSeconds();
    const Clock::time_point start = Clock::now();
    const int32_t result = VkSmartUpdateTool(pool, fullUpdateOptions(target));
    times.wall = secondsSince(start);
    times.callerCpu = threadCpuSeconds() - callerBefore;
    times.processCpu = processCpuSeconds() - processBefore;
    times.waits = double(VkNRtosAbstraction::requestedSleepMicroseconds() - waitsBefore) * 1e-6;
    return result;
}

// Every part of the target must report the new version after the update.
bool checkAllPartsUpdated(const GeneratedTarget& target, std::string& error) {
    size_t updated = 0;
    if (!countUpdatedParts(target, updated, error)) {
        return false;
    }
    if (updated != target.files()) {
        error = std::to_string(updated) + " of " + std::to_string(target.files()) +
                " parts report version " + kNewVersion + " after the update";
        return false;
    }
    return true;
}

bool checkLibraryRun(int32_t result, const std::string& outputFile, const GeneratedTarget& target,
                     std::string& error) {
    const std::string output = readFileText(outputFile);
    if (result != 0 || output.find(kSuccessText) == std::string::npos) {
        error = "the update of " + std::to_string(target.files()) + " files answered " +
                std::to_string(result) + "; its output ends with:\n" +
                lastLines(output, kOutputTailBytes);
        return false;
    }
    return checkAllPartsUpdated(target, error);
}

bool measureLibraryUpdate(const std::string& scratch, uint32_t boards, UpdateTimes& times,
                          std::string& error) {
    const std::string folder = scratch + "/update-" + std::to_string(boards);
    const std::string outputFile = scratch + "/output-" + std::to_string(boards) + ".txt";
    GeneratedTarget target;
    bool ok = writeGeneratedTarget(folder, boards, target, error);
    if (ok) {
        times.boards = boards;
        times.files = target.files();
        const int32_t result = timedLibraryUpdate(target, outputFile, scratch, times);
        ok = checkLibraryRun(result, outputFile, target, error);
    }
    removeTree(folder);
    std::remove(outputFile.c_str());
    return ok;
}

bool measurePlatformCallsAlone(const std::string& scratch, uint32_t boards, ReplayTimes& times,
                               std::string& error) {
    const std::string folder = scratch + "/replay-" + std::to_string(boards);
    GeneratedTarget target;
    bool ok = writeGeneratedTarget(folder, boards, target, error);
    if (ok) {
        const double cpuBefore = threadCpuSeconds();
        const Clock::time_point start = Clock::now();
        ok = replayPlatformCalls(target, error);
        times.wall = secondsSince(start);
        times.cpu = threadCpuSeconds() - cpuBefore;
        ok = ok && checkAllPartsUpdated(target, error);
    }
    removeTree(folder);
    return ok;
}

double perFileMs(double seconds, size_t files) {
    return seconds * 1e3 / double(files);
}

// CPU of the calling thread beyond what the same platform calls cost without the library.
double libraryCpu(const UpdateTimes& update, const ReplayTimes& replay) {
    return update.callerCpu - replay.cpu;
}

void printHeader() {
    std::printf(
        "Full update of a generated simulated target through VkSmartUpdateTool (mode Update,\n"
        "console, silent): %u files per board (types 1, 3, 11; one update pass), %llu KiB "
        "images,\nVK_SIM_TIME_SCALE=0, \"updatePolls\": 1; one unreported warm-up run of %u "
        "files first.\n\n",
        kPartsPerBoard, static_cast<unsigned long long>(kPayloadBytes / 1024),
        kWarmUpBoards * kPartsPerBoard);
}

void printUpdateTable(const std::vector<UpdateTimes>& runs) {
    std::printf("%6s %6s %8s %8s %8s %8s %10s %10s %9s\n", "files", "boards", "wall s", "CPU s",
                "caller", "others", "wall/file", "CPU/file", "waits s");
    for (const UpdateTimes& t : runs) {
        std::printf("%6zu %6u %8.3f %8.3f %8.3f %8.3f %7.3f ms %7.3f ms %9.1f\n", t.files, t.boards,
                    t.wall, t.processCpu, t.callerCpu, t.processCpu - t.callerCpu,
                    perFileMs(t.wall, t.files), perFileMs(t.processCpu, t.files), t.waits);
    }
    std::printf(
        "  CPU: process CPU time; caller: CPU time of the thread that called the library;\n"
        "  others: the rest, mainly the progress display thread, which at time scale 0 cycles\n"
        "  without pause while the status is polled. waits: the caller's requested sleeps\n"
        "  (0.5 s per update start, 0.2 s per status sweep), what they take on a real target;\n"
        "  the progress thread's 0.2 s cycles are not counted there.\n\n");
}

void printBreakdownTable(const std::vector<UpdateTimes>& runs,
                         const std::vector<ReplayTimes>& replays) {
    std::printf("Same platform calls without the library (fresh target of the same size):\n");
    std::printf("%6s %10s %10s %12s %14s %14s\n", "files", "alone wall", "alone CPU", "alone CPU/f",
                "library CPU", "library CPU/f");
    for (size_t i = 0; i < runs.size(); ++i) {
        const double library = libraryCpu(runs[i], replays[i]);
        std::printf("%6zu %8.3f s %8.3f s %9.3f ms %12.3f s %11.3f ms\n", runs[i].files,
                    replays[i].wall, replays[i].cpu, perFileMs(replays[i].cpu, runs[i].files),
                    library, perFileMs(library, runs[i].files));
    }
    std::printf(
        "  library CPU = caller CPU - platform calls alone: the library's own work on the\n"
        "  calling thread (description, matching, board reads, output), an estimate that\n"
        "  carries the noise of both measurements; the progress thread is not in it.\n\n");
}

void printGrowthLine(const char* what, double small, double middle, double large) {
    std::printf("  %-28s %6.2f %6.2f\n", what, middle / small, large / middle);
}

void printGrowth(const std::vector<UpdateTimes>& runs, const std::vector<ReplayTimes>& replays) {
    const auto perFile = [&](size_t i, double seconds) { return seconds / double(runs[i].files); };
    std::printf("Growth of the time per file (1.00 = linear in the number of files):\n");
    std::printf("  %-28s %6s %6s\n", "", "300/12", "1002/300");
    printGrowthLine("wall per file", perFile(0, runs[0].wall), perFile(1, runs[1].wall),
                    perFile(2, runs[2].wall));
    printGrowthLine("process CPU per file", perFile(0, runs[0].processCpu),
                    perFile(1, runs[1].processCpu), perFile(2, runs[2].processCpu));
    printGrowthLine("caller CPU per file", perFile(0, runs[0].callerCpu),
                    perFile(1, runs[1].callerCpu), perFile(2, runs[2].callerCpu));
    printGrowthLine("platform alone CPU per file", perFile(0, replays[0].cpu),
                    perFile(1, replays[1].cpu), perFile(2, replays[2].cpu));
    printGrowthLine("library CPU per file", perFile(0, libraryCpu(runs[0], replays[0])),
                    perFile(1, libraryCpu(runs[1], replays[1])),
                    perFile(2, libraryCpu(runs[2], replays[2])));
}

bool runAllSizes(const std::string& scratch, std::vector<UpdateTimes>& runs,
                 std::vector<ReplayTimes>& replays, std::string& error) {
    UpdateTimes warmUp;
    if (!measureLibraryUpdate(scratch, kWarmUpBoards, warmUp, error)) {
        return false;
    }
    for (uint32_t boards : kBoardCounts) {
        UpdateTimes update;
        ReplayTimes replay;
        if (!measureLibraryUpdate(scratch, boards, update, error) ||
            !measurePlatformCallsAlone(scratch, boards, replay, error)) {
            return false;
        }
        runs.push_back(update);
        replays.push_back(replay);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // The platform reads the time scale once, at its first wait.
    ::setenv("VK_SIM_TIME_SCALE", "0", 1);
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = argc > 1 ? argv[1] : (tmp && *tmp ? tmp : "/tmp");
    const ScratchFolder scratch(base);
    if (!scratch.made()) {
        std::fprintf(stderr, "bench_update: cannot make a folder in %s\n", base.c_str());
        return 1;
    }
    std::atexit(cleanUpAfterLibraryExit);
    printHeader();
    std::vector<UpdateTimes> runs;
    std::vector<ReplayTimes> replays;
    std::string error;
    if (!runAllSizes(scratch.path(), runs, replays, error)) {
        std::fprintf(stderr, "bench_update: %s\n", error.c_str());
        return 1;
    }
    printUpdateTable(runs);
    printBreakdownTable(runs, replays);
    printGrowth(runs, replays);
    return 0;
}
