#pragma once
#include <cstdint>
#include <string>

// What vkupdate was asked to do.
enum class Command { None, Boards, History, Plan, Update, Reboot, CanReboot, Catalogue };

// The command line after parsing and checking, before anything is mapped onto the library's
// options record. Texts are as the user gave them (UTF-8).
struct CommandLine {
    Command command = Command::None;
    std::string ipAddress;
    std::string systemName;
    std::string firmwareFolder;
    std::string descriptionFile;  // empty: discover the only *.xml in firmwareFolder
    std::string boardType;
    std::string serialNumbers;
    uint32_t slot = 0;
    bool userFirmware = false;
    bool userFpga = false;
    bool busFpga = false;
    bool skipInstalledCheck = false;
    bool factory = false;
    bool assumeYes = false;
    bool silent = false;
    bool verbose = false;
    bool eventsJson = false;
    bool printVersions = false;
    bool planJson = false;
    bool verify = false;        // update: check afterwards that the selected files are installed
    std::string stallSeconds;   // update: VK_UPDATE_STALL_SECONDS; empty: leave it as it is
    std::string targetsFolder;  // empty: leave VK_SIM_TARGETS as it is
};

enum class ParseStatus { Run, Help, Version, UsageError };

struct ParseResult {
    ParseStatus status = ParseStatus::UsageError;
    CommandLine commandLine;
    std::string error;  // one line, for UsageError
};

// Parses and checks argv. Never exits and never prints.
ParseResult parseCommandLine(int argc, const char* const* argv);

// The command word as the user types it ("can-reboot"), empty for Command::None.
const char* commandWord(Command command);

// Whether the command reads a firmware container (and so needs --firmware).
bool commandNeedsFirmware(Command command);
