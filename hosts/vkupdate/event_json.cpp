#include "event_json.h"

#include <cstdint>
#include <iterator>

#include "VkHostEvents.h"
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
    {EvStageOpen, {}},
    {EvSequenceOpen, {}},
    {EvVersionReportEnd, {}},
    {EvVersionReportChecked, {}},
    {EvScanLevel, {"value1"}},
    {EvDescriptionOnlyDone, {}},
    {EvBusFpgaException, {"stageContext"}},
    {EvCompatibility, {"boardIndex", "reason"}},
    {EvStageClose, {"stageContext"}},
    {EvRunFinished, {"result"}},
    {EvBoardSkipped, {"boardIndex"}},
    {EvUpdateErrorsDone, {"stageContext"}},
    {EvBootLoaderFailed, {"stageContext"}},
    {EvUnlocked1, {"stageContext"}},
    {EvUnlocked2, {"stageContext"}},
    {EvMainRuleMatch, {"catalogueIndex"}},
    {EvBoardMatching, {"boardIndex"}},
    {EvFileMatched, {"catalogueIndex"}},
    {EvCatalogueCount, {"fileCount"}},
    {EvBusFpgaWritten, {"stageContext", "written"}},
    {EvProgress, {"stageContext", "percent"}},
    {EvUpdateEnded, {"boardIndex", "matchIndex"}},
    {EvFilePermission, {"stageContext", "stageKind", "boardIndex", "matchIndex"}},
    {EvUpdateStartFailed, {"stageContext", "pass", "boardIndex", "matchIndex"}},
    {EvFileProgress, {"stageContext", "boardIndex", "matchIndex", "errorCount"}},
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
        case EvItemScanned:
            object["isBoard"] = event.value1 != 0;
            object["address"] = itemAddressOf(event);
            break;
        case EvBoardAppended:
            object["boardIndex"] = event.value1;
            object["address"] = itemAddressOf(event);
            break;
        case EvCatalogueEntry:
            addCatalogueEntry(object, event);
            break;
        case EvMessage:
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
