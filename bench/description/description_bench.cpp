// Speed of reading firmware descriptions, against a bare parse of the same file by the XML
// parser with the same settings and a handler that does nothing (the anchor). At the end the
// median real time of each case is printed as a ratio to the anchor's at the same size, with
// the target: the reader within 1.3 times the bare parse (at 10,000 entries and more), the
// whole catalogue (which also deletes its tree) within 1.5 times, and the catalogue whose
// update files all exist (each opened and read) within 1.6 times at 100,000 entries. Run with
// --benchmark_repetitions=N --benchmark_enable_random_interleaving=true for medians of
// interleaved runs.
#include <benchmark/benchmark.h>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "VkCErrorList.h"
#include "description/firmware_catalogue.h"
#include "description/inventory_document.h"
#include "description/xml_input.h"
#include "description/xml_text.h"
#include "description_documents.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

using UpdateFiles = GeneratedDescription::UpdateFiles;

const GeneratedDescription& descriptionOf(size_t entries,
                                          UpdateFiles updateFiles = UpdateFiles::Absent) {
    static std::map<std::pair<size_t, UpdateFiles>, std::unique_ptr<GeneratedDescription>> made;
    std::unique_ptr<GeneratedDescription>& description = made[{entries, updateFiles}];
    if (!description) {
        description = std::make_unique<GeneratedDescription>(entries, updateFiles);
    }
    return *description;
}

void BareParse(benchmark::State& state) {
    const GeneratedDescription& description = descriptionOf(size_t(state.range(0)));
    initialiseXmlPlatform();
    const std::basic_string<XMLCh> path = wideToXml(utf8ToWide(description.path()));
    for (auto _ : state) {
        // The reader's settings without entities and with the parser's own memory manager.
        InventoryXmlReader setup("", 0, *xercesc::XMLPlatformUtils::fgMemoryManager);
        xercesc::DefaultHandler handler;
        setup.reader().setContentHandler(&handler);
        setup.reader().setErrorHandler(&handler);
        const xercesc::LocalFileInputSource source(path.c_str());
        setup.reader().parse(source);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * description.size()));
}

// The call itself; deleting the tree afterwards is the caller's and is left out of the time.
void ParseInventoryDocument(benchmark::State& state) {
    const GeneratedDescription& description = descriptionOf(size_t(state.range(0)));
    const std::wstring path = utf8ToWide(description.path());
    for (auto _ : state) {
        std::unique_ptr<VkCInventoryItem> tree = parseInventoryDocument(path);
        state.PauseTiming();
        const bool read = tree != nullptr;
        tree.reset();
        state.ResumeTiming();
        if (!read) {
            state.SkipWithError("the description was not read");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * description.size()));
}

// The call and the deletion of the tree it returns.
void ParseInventoryDocumentAndDeleteTree(benchmark::State& state) {
    const GeneratedDescription& description = descriptionOf(size_t(state.range(0)));
    const std::wstring path = utf8ToWide(description.path());
    for (auto _ : state) {
        if (parseInventoryDocument(path) == nullptr) {
            state.SkipWithError("the description was not read");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * description.size()));
}

void readCatalogue(benchmark::State& state, const GeneratedDescription& description) {
    if (!description.complete()) {
        state.SkipWithError("the firmware folder could not be written");
        return;
    }
    VkTCmdOptions options;
    options.firmwareFolder = utf8ToWide(description.folder());
    options.descriptionFile = utf8ToWide(GeneratedDescription::kFileName);
    options.updateFirmware = true;
    for (auto _ : state) {
        VkCErrorListPool errors;
        VkCVersion firmwareVersion;
        if (readFirmwareDescription(errors, options, firmwareVersion) != 0) {
            state.SkipWithError("the description was not read");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * description.size()));
}

// The update files the description names do not exist.
void ReadFirmwareDescription(benchmark::State& state) {
    readCatalogue(state, descriptionOf(size_t(state.range(0))));
}

// Every update file exists: each is examined, its checksum taken and its size announced.
void ReadFirmwareDescriptionWithFiles(benchmark::State& state) {
    readCatalogue(state, descriptionOf(size_t(state.range(0)), UpdateFiles::Present));
}

constexpr const char* kAnchor = "BareParse";

struct Target {
    const char* name;
    double ratio;  // 0: none
    int64_t fromEntries;
};

const Target kTargets[] = {
    {"ParseInventoryDocument", 1.3, 10000},
    {"ParseInventoryDocumentAndDeleteTree", 0, 0},
    {"ReadFirmwareDescription", 1.5, 1000},
    {"ReadFirmwareDescriptionWithFiles", 1.6, 100000},
};

// The console report, and at its end each case's median real time as a ratio to the anchor's.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.error_occurred) {
                continue;
            }
            Times& times = times_[{run.run_name.function_name, run.run_name.args}];
            if (run.run_type == Run::RT_Iteration) {
                times.runs.push_back(run.GetAdjustedRealTime());
            } else if (run.aggregate_name == "median") {
                times.median = run.GetAdjustedRealTime();
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedian real time as a ratio to the bare parse (%s) of the same document:\n",
                    kAnchor);
        for (const auto& [key, times] : times_) {
            const auto anchor = times_.find({kAnchor, key.second});
            if (key.first == kAnchor || anchor == times_.end()) {
                continue;
            }
            printRatio(key.first, key.second, medianOf(times), medianOf(anchor->second));
        }
        std::fflush(stdout);
    }

  private:
    struct Times {
        std::vector<double> runs;
        double median = -1;  // as the benchmark library aggregated it; -1: not given
    };

    static double medianOf(const Times& times) {
        if (times.median >= 0 || times.runs.empty()) {
            return times.median;
        }
        std::vector<double> sorted = times.runs;
        std::sort(sorted.begin(), sorted.end());
        const size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

    static void printRatio(const std::string& name, const std::string& entries, double time,
                           double anchorTime) {
        if (time < 0 || anchorTime <= 0) {
            return;
        }
        const double ratio = time / anchorTime;
        std::printf("  %-36s %7s entries  %6.2fx", name.c_str(), entries.c_str(), ratio);
        for (const Target& target : kTargets) {
            if (name == target.name && target.ratio > 0 &&
                std::stoll(entries) >= target.fromEntries) {
                std::printf("  target %.1fx %s", target.ratio,
                            ratio <= target.ratio ? "met" : "MISSED");
            }
        }
        std::printf("\n");
    }

    std::map<std::pair<std::string, std::string>, Times> times_;
};

}  // namespace

BENCHMARK(BareParse)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseInventoryDocument)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ParseInventoryDocumentAndDeleteTree)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ReadFirmwareDescription)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ReadFirmwareDescriptionWithFiles)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
