// Speed of reading firmware descriptions, against a bare parse of the same file by the XML
// parser with the same settings and a handler that does nothing. Targets: the reader within
// 1.5 times, the whole catalogue (which also deletes its tree) within 2 times the bare parse.
#include <benchmark/benchmark.h>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <map>
#include <memory>

#include "VkCErrorList.h"
#include "description/firmware_catalogue.h"
#include "description/inventory_document.h"
#include "description/xml_reader_setup.h"
#include "description/xml_text.h"
#include "description_documents.h"
#include "reporting/format.h"

namespace {

const GeneratedDescription& descriptionOf(size_t entries) {
    static std::map<size_t, std::unique_ptr<GeneratedDescription>> made;
    std::unique_ptr<GeneratedDescription>& description = made[entries];
    if (!description) {
        description = std::make_unique<GeneratedDescription>(entries);
    }
    return *description;
}

void BareParse(benchmark::State& state) {
    const GeneratedDescription& description = descriptionOf(size_t(state.range(0)));
    initialiseXmlPlatform();
    const std::basic_string<XMLCh> path = wideToXml(toWide(description.path()));
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
    const std::wstring path = toWide(description.path());
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
    const std::wstring path = toWide(description.path());
    for (auto _ : state) {
        if (parseInventoryDocument(path) == nullptr) {
            state.SkipWithError("the description was not read");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * description.size()));
}

void ReadFirmwareDescription(benchmark::State& state) {
    const GeneratedDescription& description = descriptionOf(size_t(state.range(0)));
    VkTCmdOptions options;
    options.firmwareFolder = toWide(description.folder());
    options.descriptionFile = toWide(GeneratedDescription::kFileName);
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

BENCHMARK_MAIN();
