#pragma once
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "ParameterSet.h"

// Writes every host event as one JSON line and answers the events that want an answer:
// EvStageOpen and EvSequenceOpen get a new stage number each (1, 2, ...), EvFilePermission gets 1
// (handle the file). Events may come from the driver thread and the progress thread at
// once; a line is written and flushed as a whole under a lock.
class JsonEventPrinter {
  public:
    explicit JsonEventPrinter(std::FILE* out) : out_(out) {}

    uint32_t handle(const ParameterSet& event);

  private:
    std::mutex mutex_;
    std::FILE* out_;
    uint32_t nextStage_ = 1;
};

// The answer vkupdate gives to an event; takes a stage number from nextStage when the event
// opens a stage.
uint32_t answerToEvent(uint32_t eventCode, uint32_t& nextStage);
