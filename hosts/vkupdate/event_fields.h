#pragma once
#include <cstdint>
#include <string>

#include "ParameterSet.h"

// Reading the pointer-carrying events. The pointers of an event are valid only during the
// callback, so these copy what they point at.

// One catalogue entry as EvCatalogueEntry carries it.
struct CatalogueEntry {
    std::string boardType;
    std::string typeName;
    std::string version;  // the version's text
    uint32_t updatePass = 0;
    bool isMissing = false;
    uint32_t maxUpdatePass = 0;
    bool isSelected = false;
    uint32_t fwCompabilityId = 0;
    bool isBusFpga = false;
    bool isBootLoader = false;
    uint32_t fwType = 0;
};

CatalogueEntry catalogueEntryOf(const ParameterSet& event);
// The message text of EvMessage; empty when the event carries none.
std::string messageTextOf(const ParameterSet& event);
// The address text of the inventory item of EvItemScanned and EvBoardAppended; empty when there is
// none.
std::string itemAddressOf(const ParameterSet& event);
