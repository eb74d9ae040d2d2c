#include "commands.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "VkCErrorList.h"
#include "VkTalveronUpdateLib.h"
#include "VkUpdatePlan.h"
#include "catalogue_table.h"
#include "description_discovery.h"
#include "exit_status.h"
#include "host_callback.h"
#include "interruption_notice.h"
#include "json_event_printer.h"
#include "option_mapping.h"
#include "plan_json.h"
#include "stdout_diversion.h"
#include "update_verification.h"

namespace {

void printHostError(const std::string& message) {
    std::fprintf(stderr, "vkupdate: %s\n", message.c_str());
}

// The description file the command reads: as given, or discovered in the firmware folder.
// Empty (with the reason printed) when there is no single one.
bool resolveDescriptionFile(const CommandLine& line, std::string& fileName) {
    if (!commandNeedsFirmware(line.command)) {
        return true;
    }
    const DescriptionDiscovery discovery =
        line.descriptionFile.empty()
            ? discoverDescriptionFile(line.firmwareFolder)
            : checkGivenDescriptionFile(line.firmwareFolder, line.descriptionFile);
    if (!discovery.found) {
        printHostError(discovery.error);
        return false;
    }
    fileName = discovery.fileName;
    return true;
}

// The library ends the process itself when it cannot reach the target, with status 1, which
// is also the reason code "not supported by the firmware version". So the check runs in a
// child process whose own statuses stand apart from that; an ended child means "cannot be
// determined".
constexpr int kReasonStatusBase = 10;
constexpr int kCannotBeDetermined = 3;

int runCanReboot(const VkTCmdOptions& options) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        printHostError(std::string("cannot start the reboot check: ") + std::strerror(errno));
        return exit_status::kFailure;
    }
    if (child == 0) {
        VkCErrorListPool pool;
        uint32_t reason = 0;
        if (checkRebootSupport(pool, options, reason)) {
            std::printf("Automatic reboot is supported.\n");
        }
        std::fflush(nullptr);
        ::_exit(kReasonStatusBase + static_cast<int>(reason));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) - kReasonStatusBase : -1;
    return code >= 0 && code <= kCannotBeDetermined ? code : kCannotBeDetermined;
}

int runCatalogueTable(const VkTCmdOptions& options) {
    CatalogueCollector collector;
    int32_t result = 0;
    {
        ScopedHostCallback callback(
            [&collector](const ParameterSet& event) { return collector.handle(event); });
        VkCErrorListPool pool;
        result = VkSmartUpdateTool(pool, options);
    }
    if (result == 0) {
        const std::string table = formatCatalogueTable(collector.entries());
        std::fwrite(table.data(), 1, table.size(), stdout);
        std::fflush(stdout);
    }
    return result;
}

// The update, and with --verify the check that every file it selected is now installed.
int runUpdate(const CommandLine& line, const VkTCmdOptions& options) {
    InterruptionNotice notice;
    VkCErrorListPool pool;
    const int32_t result = VkSmartUpdateTool(pool, options);
    if (result != 0 || !line.verify) {
        return result;
    }
    const UpdatePlan* updatePlan = GetLastUpdatePlan();
    if (updatePlan == nullptr) {
        printHostError("--verify: the library kept no plan of the update");
        return exit_status::kFailure;
    }
    const UpdatePlan selected = *updatePlan;  // the next run replaces the library's record
    return verifyUpdate(options, selected);
}

int runLibrary(const CommandLine& line, const VkTCmdOptions& options) {
    if (line.command == Command::CanReboot) {
        return runCanReboot(options);
    }
    if (line.command == Command::Update) {
        return runUpdate(line, options);
    }
    VkCErrorListPool pool;
    return VkSmartUpdateTool(pool, options);
}

// Firmware-manager mode with every event printed as a JSON line on the real standard output.
int runWithJsonEvents(const std::function<int()>& call) {
    StdoutDiversion diversion;
    if (!diversion.ok()) {
        printHostError("cannot set up standard output for the JSON events");
        return exit_status::kFailure;
    }
    JsonEventPrinter printer(diversion.jsonStream());
    ScopedHostCallback callback(
        [&printer](const ParameterSet& event) { return printer.handle(event); });
    return call();
}

// plan --json: the console plan run with its console output on standard error, then the
// plan the library kept as one JSON document on the real standard output. The compatibility
// verdicts (EvCompatibility) give the reasons of "incompatible" files.
int runPlanAsJson(const VkTCmdOptions& options) {
    StdoutDiversion diversion;
    if (!diversion.ok()) {
        printHostError("cannot set up standard output for the plan as JSON");
        return exit_status::kFailure;
    }
    CompatibilityRecorder recorder;
    int32_t result = 0;
    {
        ScopedHostCallback callback(
            [&recorder](const ParameterSet& event) { return recorder.handle(event); });
        VkCErrorListPool pool;
        result = VkSmartUpdateTool(pool, options);
    }
    const UpdatePlan* plan = GetLastUpdatePlan();
    if (plan == nullptr) {
        printHostError("the library kept no plan of this run");
        return result != 0 ? result : exit_status::kFailure;
    }
    const std::string text = planJsonText(*plan, recorder.reasons());
    std::fwrite(text.data(), 1, text.size(), diversion.jsonStream());
    std::fflush(diversion.jsonStream());
    return result;
}

}  // namespace

int runCommand(const CommandLine& line) {
    std::string descriptionFile;
    if (!resolveDescriptionFile(line, descriptionFile)) {
        return exit_status::kFailure;
    }
    const VkTCmdOptions options = buildOptions(line, descriptionFile);
    if (line.eventsJson) {
        return runWithJsonEvents([&] { return runLibrary(line, options); });
    }
    if (line.command == Command::Catalogue) {
        return runCatalogueTable(options);
    }
    if (line.planJson) {
        return runPlanAsJson(options);
    }
    return runLibrary(line, options);
}
