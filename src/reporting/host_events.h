#pragma once
#include <cstdint>

#include "ParameterSet.h"
#include "VkHostEvents.h"

// A record with the code set and every other byte zero.
ParameterSet makeEvent(uint32_t code);
bool hostCallbackRegistered();
// Sends the record when a callback is registered; its answer, else 0.
uint32_t sendEvent(const ParameterSet& event);
// Sends an event whose data are value1 .. value4 (every other field zero).
uint32_t sendEvent(uint32_t code, uint32_t value1 = 0, uint32_t value2 = 0, uint32_t value3 = 0,
                   uint32_t value4 = 0);
// Opens a stage (events 0 and 1): the host's answer is the stage context, 0 without a host.
uint32_t openStage(uint32_t code);
// Event 26: whether the host lets the stage handle the file. True without a callback; with
// one, only an answer of exactly 1 allows it.
bool hostAllowsFile(uint32_t stageContext, uint32_t stageKind, uint32_t boardIndex,
                    uint32_t matchIndex);
