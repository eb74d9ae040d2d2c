#include "event_json.h"

#include <cstdint>
#include <iterator>

#include "event_fields.h"

namespace {

using Json = nlohmann::ordered_json;

// Names of the data words value1 .. value4 of the events that carry only data words; null
// ends the list.
struct WordNames {
    uint32_t code;
    const char* names[4];
};

const WordNames kWordEvents[] = {
    {0, {}},
    {1, {}},
    {2, {}},
    {3, {}},
    {4, {"value1"}},
    {5, {}},
    {8, {"stageContext"}},
    {9, {"boardIndex", "reason"}},
    {10, {"stageContext"}},
    {11, {"result"}},
    {12, {"boardIndex"}},
    {13, {"stageContext"}},
    {14, {"stageContext"}},
    {15, {"stageContext"}},
    {16, {"stageContext"}},
    {18, {"catalogueIndex"}},
    {19, {"boardIndex"}},
    {20, {"catalogueIndex"}},
    {21, {"fileCount"}},
    {22, {"stageContext", "written"}},
    {24, {"stageContext", "percent"}},
    {25, {"boardIndex", "matchIndex"}},
    {26, {"stageContext", "stageKind", "boardIndex", "matchIndex"}},
    {28, {"stageContext", "pass", "boardIndex", "matchIndex"}},
    {30, {"stageContext", "boardIndex", "matchIndex", "errorCount"}},
};

const WordNames kUnknownEvent = {0, {"value1", "value2", "value3", "value4"}};

const WordNames& wordNamesOf(uint32_t code) {
    for (const WordNames& entry : kWordEvents) {
        if (entry.code == code) {
            return entry;
        }
    }
    return kUnknownEvent;
}

void addWords(Json& object, const ParameterSet& event, const WordNames& names) {
    const uint32_t words[4] = {event.value1, event.value2, event.value3, event.value4};
    for (size_t i = 0; i < std::size(words) && names.names[i] != nullptr; ++i) {
        object[names.names[i]] = words[i];
    }
}

void addCatalogueEntry(Json& object, const ParameterSet& event) {
    const CatalogueEntry entry = catalogueEntryOf(event);
    object["boardType"] = entry.boardType;
    object["typeName"] = entry.typeName;
    object["version"] = entry.version;
    object["updatePass"] = entry.updatePass;
    object["isMissing"] = entry.isMissing;
    object["maxUpdatePass"] = entry.maxUpdatePass;
    object["isSelected"] = entry.isSelected;
    object["fwCompabilityId"] = entry.fwCompabilityId;
    object["isBusFpga"] = entry.isBusFpga;
    object["isBootLoader"] = entry.isBootLoader;
    object["fwType"] = entry.fwType;
}

}  // namespace

Json eventToJson(const ParameterSet& event) {
    Json object;
    object["event"] = event.eventCode;
    switch (event.eventCode) {
        case 29:
            object["isBoard"] = event.value1 != 0;
            object["address"] = itemAddressOf(event);
            break;
        case 33:
            object["boardIndex"] = event.value1;
            object["address"] = itemAddressOf(event);
            break;
        case 34:
            addCatalogueEntry(object, event);
            break;
        case 35:
            object["text"] = messageTextOf(event);
            break;
        default:
            addWords(object, event, wordNamesOf(event.eventCode));
            break;
    }
    return object;
}

std::string eventToJsonLine(const ParameterSet& event) {
    return eventToJson(event).dump(-1, ' ', false, Json::error_handler_t::replace);
}
