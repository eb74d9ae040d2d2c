#include "reporting/error_list_report.h"

#include "reporting/console.h"

namespace {

// Where the line that starts at start ends: after the last blank within the width, or at the
// width when there is none.
size_t lineEnd(const std::string& text, size_t start) {
    const size_t limit = start + kErrorTextLineWidth;
    if (limit >= text.size()) {
        return text.size();
    }
    for (size_t at = limit; at > start; --at) {
        if (text[at - 1] == ' ') {
            return at;
        }
    }
    return limit;
}

void reportEntryHeader(const VkCErrorListPool& pool, uint32_t index) {
    const uint32_t code = pool.getErrorCode(index);
    const uint32_t origin = pool.getOriginNode(index);
    if (origin == 0) {
        reportMessage(L"%*sERROR %#x (reported by Host PC):\n", 7, L"", code);
    } else {
        reportMessage(L"%*sERROR %#x (reported by S/N %u):\n", 7, L"", code, origin);
    }
}

}  // namespace

std::vector<std::string> wrapErrorText(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = lineEnd(text, start);
        std::string line = text.substr(start, end - start);
        for (char& c : line) {
            if (c == '\r' || c == '\n') {
                c = ' ';
            }
        }
        lines.push_back(std::move(line));
        start = end;
    }
    return lines;
}

void reportErrorList(const VkCErrorListPool& pool) {
    const uint32_t entries = pool.getEntryCount();
    for (uint32_t index = 0; index < entries; ++index) {
        if (index > 0) {
            consolePrintNarrow("\n");
        }
        reportEntryHeader(pool, index);
        for (const std::string& line : wrapErrorText(pool.getErrorText(index).str())) {
            reportMessage(L"%*s   %hs\n", 7, L"", line.c_str());
        }
    }
}

bool reportPoolErrors(const VkCErrorListPool& pool) {
    if (pool.getErrorCount() == 0) {
        return false;
    }
    reportMessage(L"\nReported errors:\n");
    reportErrorList(pool);
    return true;
}
