#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "interface/module_state.h"
#include "interface/run_records.h"

// Bounded access to the two tables of a run (the board table and the catalogue) and to the
// per-match vectors of a board, so that an index out of step with a table reads nothing
// rather than past its end.

// Number of boards of the table that the run walks.
inline size_t boardsInRun(const BoardTable& table) {
    return table.size();
}

// Number of catalogue entries.
inline size_t filesInCatalogue() {
    return moduleState().fileCatalogue.size();
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
