#include "interface/board_selection.h"

#include <string>
#include <string_view>

namespace {

bool isSeparator(char c) {
    return c == ',' || c == ' ';
}

}  // namespace

bool serialListContains(const char* list, const char* token) {
    const std::string_view entries(list ? list : "");
    const std::string_view wanted(token ? token : "");
    if (wanted.empty()) {
        return true;
    }
    size_t at = entries.find(wanted);
    while (at != std::string_view::npos) {
        const size_t end = at + wanted.size();
        const bool startsEntry = at == 0 || isSeparator(entries[at - 1]);
        const bool endsEntry = end == entries.size() || isSeparator(entries[end]);
        if (startsEntry && endsEntry) {
            return true;
        }
        at = entries.find(wanted, at + 1);
    }
    return false;
}

bool isBoardSelected(const BoardRecord& board, const VkTCmdOptions& options) {
    if (!options.boardType.isEmpty() && board.boardType != options.boardType) {
        return false;
    }
    if (!options.serialNumbers.isEmpty() &&
        !serialListContains(options.serialNumbers.c_str(),
                            std::to_string(board.serialNumber).c_str())) {
        return false;
    }
    if (options.slot != 0 && board.slot != options.slot) {
        return false;
    }
    return true;
}
