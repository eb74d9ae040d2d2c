#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// The catalogue entries that boards of each type can match, taken from the catalogue as it is
// when the index is made: the entries of the board's type and the bus-FPGA files. Matching a
// whole table through it looks at those entries only, instead of comparing every board with
// every entry. Matching changes no entry's board type or kind, so the index stays valid for
// the matching of every board of a run.
class CatalogueIndex {
  public:
    CatalogueIndex();

    // The catalogue indices the board can match, ascending, each once.
    void candidatesFor(const BoardRecord& board, std::vector<int32_t>& candidates) const;

  private:
    std::unordered_map<std::string, std::vector<int32_t>> byBoardType_;
    std::vector<int32_t> busFpgaFiles_;
};

// Records in board.matchFiles every catalogue file that belongs to the board, in catalogue
// order, and marks those files as needed. Only options.factoryMode is read: in factory mode
// user-firmware files become their factory counterparts in the catalogue itself (a change
// that later boards see), bus-FPGA and boot-loader files are not matched, and the board's
// active-firmware flags may be cleared.
void findUpdateFiles(BoardRecord& board, const VkTCmdOptions& options);
// The same, with an index made beforehand for the matching of many boards.
void findUpdateFiles(BoardRecord& board, const VkTCmdOptions& options, const CatalogueIndex& index);
