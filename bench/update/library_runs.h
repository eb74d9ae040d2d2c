#pragma once
#include <cstdint>
#include <string>

#include "generated_target.h"

namespace update_bench {

struct RunTimes {
    double wall = 0;
    double processCpu = 0;
    double callerCpu = 0;  // the thread that called the library
    double waits = 0;      // what the caller's usleep calls asked for, before scaling
};

// Runs VkSmartUpdateTool in console mode, silent and without questions, in the given mode
// (Update or ShowPlan) against the target, with standard output going into outputFile.
// Returns the library's result, or -1 when standard output could not be redirected.
int32_t runLibraryTimed(const GeneratedTarget& target, uint32_t mode, const std::string& outputFile,
                        RunTimes& times);

// The library ends the process with std::exit on conditions it cannot recover from; then no
// destructor of main runs. Registers what gives standard output back, shows the end of the
// library's output and removes the scratch folder in that case.
void removeScratchIfLibraryExits(const std::string& scratch);

}  // namespace update_bench
