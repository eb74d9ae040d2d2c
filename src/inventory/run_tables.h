#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "description/update_file_record.h"
#include "interface/module_state.h"
#include "inventory/board_record.h"

// Bounded access to the two tables of a run. The board count and the file count of the
// module state say how many entries are in use; the containers never hold fewer, but the
// stages check both so that a record out of step with the module state cannot make them read
// past the end.

// Number of boards of the table that the run walks.
inline size_t boardsInRun(const BoardTable& table) {
    return std::min<size_t>(moduleState().boardCount, table.size());
}

// Number of catalogue entries in use.
inline size_t filesInCatalogue() {
    const ModuleState& state = moduleState();
    return std::min<size_t>(state.fileCount, state.fileCatalogue.size());
}

// The catalogue entry of index k, or null when k names no entry (-1 or out of range).
inline UpdateFileRecord* catalogueEntry(int32_t k) {
    if (k < 0 || static_cast<size_t>(k) >= filesInCatalogue()) {
        return nullptr;
    }
    return &moduleState().fileCatalogue[static_cast<size_t>(k)];
}

// The per-match flag at position j, false when the vector is shorter.
inline bool matchFlag(const MatchFlags& flags, size_t j) {
    return j < flags.size() && flags[j] != 0;
}

// Sets the per-match flag at position j when the vector has it.
inline void setMatchFlag(MatchFlags& flags, size_t j) {
    if (j < flags.size()) {
        flags[j] = 1;
    }
}

// Catalogue index of match position j, -1 when the board has no such position.
inline int32_t matchedFile(const BoardRecord& board, size_t j) {
    return j < board.matchFiles.size() ? board.matchFiles[j] : -1;
}

// Number of match positions in use, bounded by the match array.
inline size_t matchesOf(const BoardRecord& board) {
    return std::min<size_t>(board.matchCount, board.matchFiles.size());
}
