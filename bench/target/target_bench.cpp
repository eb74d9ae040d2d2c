// vkupdate boards and plan on generated simulated targets of 10 and 1000 boards of the same ten
// board types, the plan with the same firmware container of three files per board type, so
// that only the size of the target differs. Each run is a fresh vkupdate process (standard
// output to /dev/null), so nothing carries over from one run to the next, as for a user's
// command. With --before, a second vkupdate build (an older state of the code) runs the same
// commands; the runs of both and of all sizes are interleaved round by round, and the table
// shows medians. The outputs of all builds must be identical. --also LABEL=VKUPDATE adds
// another build (any number of times). --keep leaves the generated targets and firmware in
// place (to profile a single run) and names their folder.
//   bench_target [--before VKUPDATE] [--also LABEL=VKUPDATE]... [--rounds N] [--keep] [FOLDER]
//   default FOLDER: $TMPDIR or /tmp
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "command_runs.h"
#include "generated_target.h"

using namespace target_bench;
using update_bench::GeneratedTarget;

namespace {

constexpr uint32_t kSizes[] = {10, 1000};
constexpr uint32_t kBoardTypes = 10;
// Each command prints rowsPerBoard lines per board that start with rowStart.
struct Command {
    const char* name;
    const char* rowStart;
    uint32_t rowsPerBoard;
};
constexpr Command kCommands[] = {{"boards", "Board:", 1},
                                 {"plan", "VKB", update_bench::kPartsPerBoard}};
constexpr int kDefaultRounds = 9;
constexpr size_t kShownOutputBytes = 2000;

struct Build {
    std::string label;
    std::string program;
};

struct Settings {
    std::string beforeProgram;  // empty: only this build's vkupdate
    std::vector<Build> others;  // --also
    int rounds = kDefaultRounds;
    bool keep = false;
    std::string base;
};

// The medians are taken over the rounds of one command, size and build.
struct Series {
    std::vector<double> wall;
    std::vector<double> cpu;
};

bool readSettings(int argc, char** argv, Settings& settings) {
    const char* tmp = std::getenv("TMPDIR");
    settings.base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--before" && i + 1 < argc) {
            settings.beforeProgram = argv[++i];
        } else if (arg == "--rounds" && i + 1 < argc) {
            settings.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--also" && i + 1 < argc && std::strchr(argv[i + 1], '=') != nullptr) {
            const std::string value = argv[++i];
            const size_t equals = value.find('=');
            settings.others.push_back({value.substr(0, equals), value.substr(equals + 1)});
        } else if (arg == "--keep") {
            settings.keep = true;
        } else if (arg[0] != '-') {
            settings.base = arg;
        } else {
            std::fprintf(stderr,
                         "usage: bench_target [--before VKUPDATE] [--also LABEL=VKUPDATE]... "
                         "[--rounds N] [--keep] [FOLDER]\n");
            return false;
        }
    }
    return true;
}

std::vector<std::string> argumentsOf(const GeneratedTarget& system, const std::string& command) {
    std::vector<std::string> arguments{"--targets", system.targetsFolder, "--system", "bench", "-y",
                                       "-s"};
    if (command == "plan") {
        arguments.insert(arguments.end(), {"--firmware", system.firmwareFolder});
    }
    arguments.push_back(command);
    return arguments;
}

size_t linesStartingWith(const std::string& text, const std::string& start) {
    size_t count = text.compare(0, start.size(), start) == 0 ? 1 : 0;
    const std::string needle = "\n" + start;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

bool checkOutput(const std::string& output, const Command& command, const GeneratedTarget& system,
                 const std::string& what, std::string& error) {
    const size_t rows = linesStartingWith(output, command.rowStart);
    const size_t expected = size_t(system.boards) * command.rowsPerBoard;
    if (rows != expected) {
        error = what + " printed " + std::to_string(rows) + " rows, not " +
                std::to_string(expected) + "; its output begins with:\n" +
                output.substr(0, kShownOutputBytes);
        return false;
    }
    return true;
}

// One run of each command, size and build before the measured ones: the output is checked,
// and the builds must print the same.
bool checkRuns(const std::vector<Build>& builds, const std::vector<GeneratedTarget>& systems,
               const std::string& scratch, std::string& error) {
    const std::string outputFile = scratch + "/output.txt";
    for (const Command& command : kCommands) {
        for (const GeneratedTarget& system : systems) {
            std::string first;
            for (const Build& build : builds) {
                RunTimes unused;
                const std::string what = build.label + " " + command.name + " on " +
                                         std::to_string(system.boards) + " boards";
                if (!runTimed(build.program, argumentsOf(system, command.name), outputFile, unused,
                              error)) {
                    return false;
                }
                const std::string output = update_bench::readFileText(outputFile);
                if (!checkOutput(output, command, system, what, error)) {
                    return false;
                }
                if (&build != &builds.front() && output != first) {
                    error = what + " printed other output than " + builds.front().label;
                    return false;
                }
                first = output;
            }
        }
    }
    return true;
}

size_t seriesIndex(size_t command, size_t size, size_t build, size_t builds) {
    return (command * std::size(kSizes) + size) * builds + build;
}

bool measure(const std::vector<Build>& builds, const std::vector<GeneratedTarget>& systems,
             int rounds, std::vector<Series>& series, std::string& error) {
    series.assign(std::size(kCommands) * systems.size() * builds.size(), Series());
    for (int round = 0; round < rounds; ++round) {
        for (size_t c = 0; c < std::size(kCommands); ++c) {
            for (size_t s = 0; s < systems.size(); ++s) {
                for (size_t b = 0; b < builds.size(); ++b) {
                    RunTimes times;
                    if (!runTimed(builds[b].program, argumentsOf(systems[s], kCommands[c].name),
                                  "/dev/null", times, error)) {
                        return false;
                    }
                    Series& into = series[seriesIndex(c, s, b, builds.size())];
                    into.wall.push_back(times.wallSeconds);
                    into.cpu.push_back(times.cpuSeconds);
                }
            }
        }
    }
    return true;
}

double medianMs(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double middle = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return middle * 1e3;
}

void printTable(const std::vector<Build>& builds, const std::vector<Series>& series, int rounds) {
    std::printf(
        "vkupdate boards and plan, each run a fresh process (standard output to /dev/null);\n"
        "medians of %d interleaved rounds; wall time, and CPU time (user + system) of the run.\n\n",
        rounds);
    std::printf("%-8s %-10s", "command", "build");
    for (uint32_t boards : kSizes) {
        std::printf(" %10s %10s", (std::to_string(boards) + " wall").c_str(),
                    (std::to_string(boards) + " CPU").c_str());
    }
    std::printf(" %11s %11s\n", "ratio wall", "ratio CPU");
    for (size_t c = 0; c < std::size(kCommands); ++c) {
        for (size_t b = 0; b < builds.size(); ++b) {
            std::printf("%-8s %-10s", kCommands[c].name, builds[b].label.c_str());
            std::vector<double> wall;
            std::vector<double> cpu;
            for (size_t s = 0; s < std::size(kSizes); ++s) {
                const Series& one = series[seriesIndex(c, s, b, builds.size())];
                wall.push_back(medianMs(one.wall));
                cpu.push_back(medianMs(one.cpu));
                std::printf(" %7.1f ms %7.1f ms", wall.back(), cpu.back());
            }
            std::printf(" %10.1fx %10.1fx\n", wall.back() / wall.front(), cpu.back() / cpu.front());
        }
    }
    std::printf("  ratio: time on %u boards / time on %u boards.\n", kSizes[1], kSizes[0]);
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!readSettings(argc, argv, settings)) {
        return 64;
    }
    std::vector<Build> builds;
    if (!settings.beforeProgram.empty()) {
        builds.push_back({"before", settings.beforeProgram});
    }
    builds.insert(builds.end(), settings.others.begin(), settings.others.end());
    builds.push_back({settings.beforeProgram.empty() ? "this" : "after", VKUPDATE_PROGRAM});
    update_bench::ScratchFolder scratch(settings.base);
    if (!scratch.made()) {
        std::fprintf(stderr, "bench_target: cannot make a folder in %s\n", settings.base.c_str());
        return 1;
    }
    if (settings.keep) {
        scratch.keep();
        std::printf("Generated targets and firmware kept in %s\n", scratch.path().c_str());
    }
    std::vector<GeneratedTarget> systems(std::size(kSizes));
    std::string error;
    for (size_t s = 0; s < std::size(kSizes); ++s) {
        const std::string folder = scratch.path() + "/boards-" + std::to_string(kSizes[s]);
        if (!update_bench::writeGeneratedTarget(folder, kSizes[s], systems[s], error,
                                                kBoardTypes)) {
            std::fprintf(stderr, "bench_target: %s\n", error.c_str());
            return 1;
        }
    }
    std::vector<Series> series;
    if (!checkRuns(builds, systems, scratch.path(), error) ||
        !measure(builds, systems, settings.rounds, series, error)) {
        std::fprintf(stderr, "bench_target: %s\n", error.c_str());
        return 1;
    }
    printTable(builds, series, settings.rounds);
    return 0;
}
