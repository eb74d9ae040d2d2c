#pragma once
#include <string>
#include <vector>

// Runs of one vkupdate program as a child process, timed from the start of the process to
// its end, so each run parses and scans everything afresh, as a user's command does.
namespace target_bench {

struct RunTimes {
    double wallSeconds = 0;
    double cpuSeconds = 0;  // user and system time of the child
};

// Runs program with arguments, standard output into outputFile ("/dev/null" to drop it) and
// standard error dropped. False (and error) when it cannot be started or does not exit with 0.
bool runTimed(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& outputFile, RunTimes& times, std::string& error);

}  // namespace target_bench
