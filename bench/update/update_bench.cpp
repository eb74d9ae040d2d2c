// A full update through the library (VkSmartUpdateTool, mode Update, console mode, silent)
// of a generated simulated target, for 12, 300 and 1002 files, each on a fresh target and
// firmware folder, at VK_SIM_TIME_SCALE=0 and "updatePolls": 1. Prints wall and CPU time, in
// total and per file, and the waits a real target would have taken; then a breakdown: the
// library's planning alone (mode ShowPlan) and the update's platform calls made without the
// library (the simulation's share).
//   bench_update [FOLDER]      default: $TMPDIR or /tmp
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "UpdateMode.h"
#include "bench_support.h"
#include "generated_target.h"
#include "library_runs.h"
#include "platform_replay.h"

using namespace update_bench;

namespace {

using Clock = std::chrono::steady_clock;

struct BenchSize {
    uint32_t boards;
    // The platform calls alone cost about as much as the update itself; at 1002 files they
    // would add some two and a half minutes, so they are measured up to 300 files.
    bool withPlatformCallsAlone;
};
constexpr BenchSize kSizes[] = {{4, true}, {100, true}, {334, false}};
constexpr uint32_t kWarmUpBoards = 4;
constexpr const char* kSuccessText = "Update completed successfully!";

struct SizeResult {
    uint32_t boards = 0;
    size_t files = 0;
    RunTimes update;
    RunTimes plan;
    bool hasPlatformCallsAlone = false;
    double aloneWall = 0;
    double aloneCpu = 0;
};

std::string failedRunText(const char* what, const GeneratedTarget& target, int32_t result,
                          const std::string& output) {
    return std::string(what) + " of " + std::to_string(target.files()) + " files answered " +
           std::to_string(result) + "; its output ends with:\n" +
           lastLines(output, kOutputTailBytes);
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

bool checkUpdateRun(int32_t result, const std::string& outputFile, const GeneratedTarget& target,
                    std::string& error) {
    const std::string output = readFileText(outputFile);
    if (result != 0 || output.find(kSuccessText) == std::string::npos) {
        error = failedRunText("the update", target, result, output);
        return false;
    }
    return checkAllPartsUpdated(target, error);
}

// Plan rows start with the board type, and every board type starts with "VKB".
size_t planRowsIn(const std::string& output) {
    size_t rows = output.compare(0, 3, "VKB") == 0 ? 1 : 0;
    for (size_t at = output.find("\nVKB"); at != std::string::npos;
         at = output.find("\nVKB", at + 1)) {
        ++rows;
    }
    return rows;
}

bool checkPlanRun(int32_t result, const std::string& outputFile, const GeneratedTarget& target,
                  std::string& error) {
    const std::string output = readFileText(outputFile);
    if (result != 0 || planRowsIn(output) != target.files()) {
        error = failedRunText("the plan", target, result, output);
        return false;
    }
    return true;
}

// Runs the library in the mode on a fresh target of the size and checks what it did.
bool measureLibraryRun(const std::string& scratch, uint32_t boards, uint32_t mode, RunTimes& times,
                       std::string& error) {
    const std::string name = (mode == Update ? "update-" : "plan-") + std::to_string(boards);
    const std::string folder = scratch + "/" + name;
    const std::string outputFile = scratch + "/" + name + ".txt";
    GeneratedTarget target;
    bool ok = writeGeneratedTarget(folder, boards, target, error);
    if (ok) {
        const int32_t result = runLibraryTimed(target, mode, outputFile, times);
        ok = mode == Update ? checkUpdateRun(result, outputFile, target, error)
                            : checkPlanRun(result, outputFile, target, error);
    }
    removeTree(folder);
    std::remove(outputFile.c_str());
    return ok;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool measurePlatformCallsAlone(const std::string& scratch, SizeResult& size, std::string& error) {
    const std::string folder = scratch + "/alone-" + std::to_string(size.boards);
    GeneratedTarget target;
    bool ok = writeGeneratedTarget(folder, size.boards, target, error);
    if (ok) {
        const double cpuBefore = threadCpuSeconds();
        const Clock::time_point start = Clock::now();
        ok = replayPlatformCalls(target, error);
        size.aloneWall = secondsSince(start);
        size.aloneCpu = threadCpuSeconds() - cpuBefore;
        size.hasPlatformCallsAlone = true;
        ok = ok && checkAllPartsUpdated(target, error);
    }
    removeTree(folder);
    return ok;
}

bool measureSize(const std::string& scratch, const BenchSize& bench, SizeResult& size,
                 std::string& error) {
    size.boards = bench.boards;
    size.files = size_t(bench.boards) * kPartsPerBoard;
    return measureLibraryRun(scratch, bench.boards, Update, size.update, error) &&
           measureLibraryRun(scratch, bench.boards, ShowPlan, size.plan, error) &&
           (!bench.withPlatformCallsAlone || measurePlatformCallsAlone(scratch, size, error));
}

bool measureAllSizes(const std::string& scratch, std::vector<SizeResult>& sizes,
                     std::string& error) {
    RunTimes warmUp;
    if (!measureLibraryRun(scratch, kWarmUpBoards, Update, warmUp, error)) {
        return false;
    }
    for (const BenchSize& bench : kSizes) {
        SizeResult size;
        if (!measureSize(scratch, bench, size, error)) {
            return false;
        }
        sizes.push_back(size);
    }
    return true;
}

// --- report ---

double perFileMs(double seconds, size_t files) {
    return seconds * 1e3 / double(files);
}

void printHeader() {
    std::printf(
        "Full update of a generated simulated target through VkSmartUpdateTool (mode Update,\n"
        "console, silent): %u files per board (types 1, 3, 11; one update pass), %llu KiB "
        "images,\nVK_SIM_TIME_SCALE=0, \"updatePolls\": 1; one unreported warm-up update of %u "
        "files first.\n\n",
        kPartsPerBoard, static_cast<unsigned long long>(kPayloadBytes / 1024),
        kWarmUpBoards * kPartsPerBoard);
}

void printUpdateTable(const std::vector<SizeResult>& sizes) {
    std::printf("%6s %6s %8s %8s %8s %8s %10s %10s %9s\n", "files", "boards", "wall s", "CPU s",
                "caller", "others", "wall/file", "CPU/file", "waits s");
    for (const SizeResult& s : sizes) {
        const RunTimes& t = s.update;
        std::printf("%6zu %6u %8.3f %8.3f %8.3f %8.3f %7.3f ms %7.3f ms %9.1f\n", s.files, s.boards,
                    t.wall, t.processCpu, t.callerCpu, t.processCpu - t.callerCpu,
                    perFileMs(t.wall, s.files), perFileMs(t.processCpu, s.files), t.waits);
    }
    std::printf(
        "  CPU: process CPU time, which includes the simulated target; caller: CPU time of the\n"
        "  thread that called the library; others: the rest, mainly the library's progress\n"
        "  display thread, which at time scale 0 cycles without pause while the status is\n"
        "  polled. waits: the caller's requested sleeps (0.5 s per update start, 0.2 s per\n"
        "  status sweep), what they take on a real target; the progress thread's 0.2 s cycles\n"
        "  are not counted there.\n\n");
}

void printBreakdownRow(const SizeResult& s) {
    std::printf("%6zu %8.3f s %7.3f ms", s.files, s.plan.callerCpu,
                perFileMs(s.plan.callerCpu, s.files));
    if (!s.hasPlatformCallsAlone) {
        std::printf("  %8s %10s %6s %10s\n", "-", "-", "-", "-");
        return;
    }
    std::printf("  %6.3f s %7.3f ms %5.0f%% %8.3f s\n", s.aloneCpu, perFileMs(s.aloneCpu, s.files),
                100.0 * s.aloneCpu / s.update.callerCpu, s.update.callerCpu - s.aloneCpu);
}

void printBreakdownTable(const std::vector<SizeResult>& sizes) {
    std::printf("Breakdown of the caller's CPU time (each on a fresh target of the same size):\n");
    std::printf("%6s %10s %10s  %8s %10s %6s %10s\n", "files", "plan only", "per file", "alone",
                "per file", "share", "difference");
    for (const SizeResult& s : sizes) {
        printBreakdownRow(s);
    }
    std::printf(
        "  plan only: mode ShowPlan, the library's planning (description, device search, one\n"
        "  scan, matching, checks, plan output); of the simulation only a few calls.\n"
        "  alone: the update's platform calls made without the library, the simulation's\n"
        "  share; share: alone / caller CPU of the update; difference: caller - alone, the\n"
        "  library's own part of the update, within the noise of two runs of this size.\n"
        "  '-': not measured by default, it would take as long as the update.\n\n");
}

void printGrowthLine(const char* what, const std::vector<SizeResult>& sizes,
                     double (*seconds)(const SizeResult&)) {
    const auto perFile = [&](size_t i) { return seconds(sizes[i]) / double(sizes[i].files); };
    std::printf("  %-26s %8.2f %8.2f\n", what, perFile(1) / perFile(0), perFile(2) / perFile(1));
}

void printGrowth(const std::vector<SizeResult>& sizes) {
    std::printf("Growth of the time per file (1.00 = linear in the number of files):\n");
    std::printf("  %-26s %8s %8s\n", "", "300/12", "1002/300");
    printGrowthLine("update wall", sizes, [](const SizeResult& s) { return s.update.wall; });
    printGrowthLine("update process CPU", sizes,
                    [](const SizeResult& s) { return s.update.processCpu; });
    printGrowthLine("update caller CPU", sizes,
                    [](const SizeResult& s) { return s.update.callerCpu; });
    printGrowthLine("update other threads CPU", sizes,
                    [](const SizeResult& s) { return s.update.processCpu - s.update.callerCpu; });
    printGrowthLine("plan only caller CPU", sizes,
                    [](const SizeResult& s) { return s.plan.callerCpu; });
    if (sizes[0].hasPlatformCallsAlone && sizes[1].hasPlatformCallsAlone) {
        std::printf("  %-26s %8.2f\n", "platform calls alone CPU",
                    (sizes[1].aloneCpu / double(sizes[1].files)) /
                        (sizes[0].aloneCpu / double(sizes[0].files)));
    }
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
    removeScratchIfLibraryExits(scratch.path());
    printHeader();
    std::fflush(stdout);
    std::vector<SizeResult> sizes;
    std::string error;
    if (!measureAllSizes(scratch.path(), sizes, error)) {
        std::fprintf(stderr, "bench_update: %s\n", error.c_str());
        return 1;
    }
    printUpdateTable(sizes);
    printBreakdownTable(sizes);
    printGrowth(sizes);
    return 0;
}
