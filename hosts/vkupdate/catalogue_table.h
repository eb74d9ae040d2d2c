#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ParameterSet.h"
#include "event_fields.h"

// Gathers what the catalogue command shows from the events of a description-only run:
// the entry count (EvCatalogueCount), the entries (EvCatalogueEntry); message texts (EvMessage) are
// printed to standard output as they arrive, as the library would print them on the console.
class CatalogueCollector {
  public:
    uint32_t handle(const ParameterSet& event);

    const std::vector<CatalogueEntry>& entries() const { return entries_; }
    uint32_t announcedCount() const { return announcedCount_; }

  private:
    std::mutex mutex_;
    std::vector<CatalogueEntry> entries_;
    uint32_t announcedCount_ = 0;
};

// The catalogue as a table: a heading row, a rule, one row per entry in catalogue order,
// then a summary line. Columns are as wide as their widest cell.
std::string formatCatalogueTable(const std::vector<CatalogueEntry>& entries);
