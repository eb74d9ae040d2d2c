#include "reporting/host_events.h"

#include <cstring>

#include "interface/module_state.h"

ParameterSet makeEvent(uint32_t code) {
    ParameterSet event;
    std::memset(&event, 0, sizeof event);
    event.eventCode = code;
    return event;
}

bool hostCallbackRegistered() {
    return moduleState().hostCallback != nullptr;
}

uint32_t sendEvent(const ParameterSet& event) {
    const VkTHostCallback callback = moduleState().hostCallback;
    return callback ? callback(event) : 0;
}

uint32_t sendEvent(uint32_t code, uint32_t value1, uint32_t value2, uint32_t value3,
                   uint32_t value4) {
    ParameterSet event = makeEvent(code);
    event.value1 = value1;
    event.value2 = value2;
    event.value3 = value3;
    event.value4 = value4;
    return sendEvent(event);
}

uint32_t openStage(uint32_t code) {
    return sendEvent(makeEvent(code));
}

bool hostAllowsFile(uint32_t stageContext, uint32_t stageKind, uint32_t boardIndex,
                    uint32_t matchIndex) {
    if (!hostCallbackRegistered()) {
        return true;
    }
    return sendEvent(EvFilePermission, stageContext, stageKind, boardIndex, matchIndex) == 1;
}
