#include "json_event_printer.h"

#include <string>

#include "VkHostEvents.h"
#include "event_json.h"

uint32_t answerToEvent(uint32_t eventCode, uint32_t& nextStage) {
    switch (eventCode) {
        case EvStageOpen:
        case EvSequenceOpen:
            return nextStage++;
        case EvFilePermission:
            return 1;
        default:
            return 0;
    }
}

uint32_t JsonEventPrinter::handle(const ParameterSet& event) {
    const std::string line = eventToJsonLine(event) + "\n";
    std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
    return answerToEvent(event.eventCode, nextStage_);
}
