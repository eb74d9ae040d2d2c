#pragma once
#include <string>

#include "VkTCmdOptions.h"
#include "command_line.h"

// The library mode of a command; can-reboot and catalogue name the mode their run needs
// (ShowBoards and Update).
UpdateMode modeOfCommand(Command command);

// Maps every option of the command line onto its one field of the options record.
// descriptionFile is the resolved description file name (empty when the command reads none).
VkTCmdOptions buildOptions(const CommandLine& line, const std::string& descriptionFile);
