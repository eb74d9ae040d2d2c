// File matching and compatibility check for a whole board table against a catalogue.
// Arguments: number of boards, number of catalogue entries. The time per board and file
// (counter time_per_pair) should stay flat as either grows.
#include <benchmark/benchmark.h>

#include <string>

#include "VkNInventoryIDs.h"
#include "interface/module_state.h"
#include "inventory/board_table.h"
#include "inventory/compatibility_check.h"
#include "inventory/file_matching.h"

namespace {

// Board types in the table and the catalogue; each board matches about files / kTypes files.
constexpr uint32_t kTypes = 50;

std::string boardType(uint32_t n) {
    return "VK" + std::to_string(7100 + n % kTypes);
}

void buildCatalogue(uint32_t files) {
    ModuleState& state = moduleState();
    state.fileCatalogue.assign(files, UpdateFileRecord());
    for (uint32_t k = 0; k < files; ++k) {
        UpdateFileRecord& f = state.fileCatalogue[k];
        f.FileName = L"firmware\\file" + std::to_wstring(k) + L".bin";
        f.BoardType = boardType(k).c_str();
        f.FwType = (k % 3 == 0) ? 3 : 1;  // user firmware and FPGA firmware
        f.FpgaType = 2;
        f.MinHwCompatibilityId = (k % 5 == 0) ? 1 : 0xFFFFFFFF;
        f.MaxHwCompatibilityId = (k % 7 == 0) ? 9 : 0xFFFFFFFF;
        f.FwCompabilityId = 8;
        f.IsSelected = true;
        f.Version = VkCVersion("3.1");
    }
}

BoardTable buildTable(uint32_t boards, uint32_t files) {
    BoardTable table;
    table.reserve(boards);
    for (uint32_t b = 0; b < boards; ++b) {
        BoardRecord& board = appendBoardRecord(table, files);
        board.boardType = boardType(b).c_str();
        board.serialNumber = 1000 + b;
        board.address = VkNInventoryIDs::ROOT / VkNInventoryIDs::IOROUTER[b + 1];
        board.hwCompatibilityId = 3;
        board.fpgaChipType = 2;
        board.fwType = 6;
        board.hasUpdateInfo = true;
        board.systemClass = 0x20001;
    }
    return table;
}

void BM_MatchingAndCompatibility(benchmark::State& state) {
    const uint32_t boards = static_cast<uint32_t>(state.range(0));
    const uint32_t files = static_cast<uint32_t>(state.range(1));
    buildCatalogue(files);
    BoardTable table = buildTable(boards, files);
    const VkTCmdOptions options;
    const VkCVersion firmwareVersion("3.1");
    uint64_t matches = 0;
    for (auto _ : state) {
        for (BoardRecord& board : table) {
            board.matchCount = 0;
        }
        const CatalogueIndex index;
        for (BoardRecord& board : table) {
            findUpdateFiles(board, options, index);
        }
        const int32_t result = checkFirmwareCompatibility(table, options, firmwareVersion);
        benchmark::DoNotOptimize(result);
        matches = 0;
        for (const BoardRecord& board : table) {
            matches += board.matchCount;
        }
    }
    const double pairs = double(boards) * double(files);
    state.counters["matches"] = double(matches);
    // CPU time per board and catalogue entry.
    state.counters["time_per_pair"] = benchmark::Counter(
        pairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    freeBoardTable(table);
}

BENCHMARK(BM_MatchingAndCompatibility)
    ->Args({100, 1000})
    ->Args({1000, 100})
    ->Args({500, 500})
    ->Args({1000, 1000})
    ->Args({2000, 1000})
    ->Args({1000, 2000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
