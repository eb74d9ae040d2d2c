#pragma once
#include "command_line.h"

// Runs a checked command line through the library; returns vkupdate's exit status.
// Assumes VK_SIM_TARGETS has been set when the command line names a targets folder.
int runCommand(const CommandLine& line);
