// vkupdate: the command-line updater. Maps its command line onto the library's options
// record, calls the library, and turns the result into the exit status.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "VkTalveronUpdateLib.h"
#include "command_line.h"
#include "commands.h"
#include "exit_status.h"
#include "usage_text.h"

namespace {

int reportUsageError(const std::string& message) {
    std::fprintf(stderr, "vkupdate: %s\n%s", message.c_str(), shortUsageText());
    return exit_status::kUsage;
}

int printProgramVersions() {
    const uint64_t packed = GetLibVersion().getAsULong64();
    std::printf("vkupdate %s\nVkTalveronUpdateLib %u.%u.%u\n", VKUPDATE_VERSION,
                static_cast<unsigned>(packed >> 56), static_cast<unsigned>((packed >> 48) & 0xFF),
                static_cast<unsigned>((packed >> 40) & 0xFF));
    return exit_status::kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    const ParseResult parsed = parseCommandLine(argc, argv);
    switch (parsed.status) {
        case ParseStatus::UsageError:
            return reportUsageError(parsed.error);
        case ParseStatus::Help:
            std::fputs(helpText(), stdout);
            return exit_status::kSuccess;
        case ParseStatus::Version:
            return printProgramVersions();
        case ParseStatus::Run:
            break;
    }
    const CommandLine& line = parsed.commandLine;
    // The platform reads the targets folder at its first device call; set it before any.
    if (!line.targetsFolder.empty() && setenv("VK_SIM_TARGETS", line.targetsFolder.c_str(), 1)) {
        std::perror("vkupdate: cannot set VK_SIM_TARGETS");
        return exit_status::kFailure;
    }
    if (!line.stallSeconds.empty() &&
        setenv("VK_UPDATE_STALL_SECONDS", line.stallSeconds.c_str(), 1)) {
        std::perror("vkupdate: cannot set VK_UPDATE_STALL_SECONDS");
        return exit_status::kFailure;
    }
    return runCommand(line);
}
