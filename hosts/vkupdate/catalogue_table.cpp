#include "catalogue_table.h"

#include <algorithm>
#include <cstdio>

#include "VkHostEvents.h"

namespace {

using Row = std::vector<std::string>;

const Row kHeadings = {"Board type", "Type name", "Version",     "Pass",    "Selected",
                       "Missing",    "Bus FPGA",  "Boot loader", "FW type", "FW compatibility ID"};

const char* yesNo(bool value) {
    return value ? "yes" : "no";
}

Row rowOf(const CatalogueEntry& entry) {
    return {entry.boardType,
            entry.typeName,
            entry.version,
            std::to_string(entry.updatePass),
            yesNo(entry.isSelected),
            yesNo(entry.isMissing),
            yesNo(entry.isBusFpga),
            yesNo(entry.isBootLoader),
            std::to_string(entry.fwType),
            std::to_string(entry.fwCompabilityId)};
}

std::vector<size_t> columnWidths(const std::vector<Row>& rows) {
    std::vector<size_t> widths(kHeadings.size(), 0);
    for (const Row& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    return widths;
}

// Cells separated by two blanks; the last cell is not padded, so no line ends in blanks.
std::string formatRow(const Row& row, const std::vector<size_t>& widths) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
        line += row[i];
        if (i + 1 < row.size()) {
            line += std::string(widths[i] - row[i].size() + 2, ' ');
        }
    }
    return line + "\n";
}

Row ruleRow(const std::vector<size_t>& widths) {
    Row rule;
    for (size_t width : widths) {
        rule.push_back(std::string(width, '-'));
    }
    return rule;
}

std::string summaryLine(const std::vector<CatalogueEntry>& entries) {
    const uint32_t maxPass = entries.empty() ? 0 : entries.front().maxUpdatePass;
    return std::to_string(entries.size()) +
           (entries.size() == 1 ? " update file" : " update files") + ", highest update pass " +
           std::to_string(maxPass) + ".\n";
}

}  // namespace

uint32_t CatalogueCollector::handle(const ParameterSet& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (event.eventCode) {
        case EvCatalogueCount:
            announcedCount_ = event.value1;
            break;
        case EvCatalogueEntry:
            entries_.push_back(catalogueEntryOf(event));
            break;
        case EvMessage: {
            const std::string text = messageTextOf(event);
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
            break;
        }
        default:
            break;
    }
    return 0;
}

std::string formatCatalogueTable(const std::vector<CatalogueEntry>& entries) {
    std::vector<Row> rows = {kHeadings};
    for (const CatalogueEntry& entry : entries) {
        rows.push_back(rowOf(entry));
    }
    const std::vector<size_t> widths = columnWidths(rows);
    std::string table = formatRow(kHeadings, widths) + formatRow(ruleRow(widths), widths);
    for (size_t i = 1; i < rows.size(); ++i) {
        table += formatRow(rows[i], widths);
    }
    return table + summaryLine(entries);
}
