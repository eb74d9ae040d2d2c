// Peak memory of reading a description of 100,000 entries (or the number given as the first
// argument): each of the reader and the whole catalogue runs in a child process whose peak
// resident size is printed as a ratio to the document's size (the anchor) and compared with
// the target of 2.5 times the document's size (at least 32 MiB, which only small documents
// need: the process itself takes about 9 MiB). Exit status 1 when a target is missed.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "VkCErrorList.h"
#include "description/firmware_catalogue.h"
#include "description/inventory_document.h"
#include "description_documents.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kTargetRatio = 2.5;
constexpr double kSmallestLimit = 32 * kMiB;

bool readTree(const GeneratedDescription& description) {
    return parseInventoryDocument(utf8ToWide(description.path())) != nullptr;
}

bool readCatalogue(const GeneratedDescription& description) {
    VkTCmdOptions options;
    options.firmwareFolder = utf8ToWide(description.folder());
    options.descriptionFile = utf8ToWide(GeneratedDescription::kFileName);
    VkCErrorListPool errors;
    VkCVersion firmwareVersion;
    return readFirmwareDescription(errors, options, firmwareVersion) == 0;
}

// Runs work in a child process; its peak resident size in bytes, or -1 when it failed.
double childPeakBytes(bool (*work)(const GeneratedDescription&),
                      const GeneratedDescription& description) {
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        std::_Exit(work(description) ? 0 : 1);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return double(usage.ru_maxrss) * 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t entries = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const GeneratedDescription description(entries);
    const double documentBytes = double(description.size());
    const double limit = std::max(kTargetRatio * documentBytes, kSmallestLimit);
    struct rusage self {};
    ::getrusage(RUSAGE_SELF, &self);
    std::printf("entries %zu, document %.1f MiB, limit %.1f MiB, generator %.1f MiB\n", entries,
                documentBytes / kMiB, limit / kMiB, double(self.ru_maxrss) / 1024.0);
    bool allMet = true;
    const struct {
        const char* name;
        bool (*work)(const GeneratedDescription&);
    } kRuns[] = {{"parseInventoryDocument", readTree}, {"readFirmwareDescription", readCatalogue}};
    for (const auto& run : kRuns) {
        const double peak = childPeakBytes(run.work, description);
        const bool met = peak >= 0 && peak < limit;
        allMet = allMet && met;
        std::printf("%-24s peak %8.1f MiB  %5.2fx the document  %s\n", run.name, peak / kMiB,
                    peak / documentBytes, met ? "OK" : "MISSED");
    }
    return allMet ? 0 : 1;
}
