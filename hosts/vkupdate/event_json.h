#pragma once
#include <nlohmann/json.hpp>
#include <string>

#include "ParameterSet.h"

// One host event as a JSON object: "event" with the code, then the event's named fields.
// Codes without a known row carry their four data words as value1 .. value4.
nlohmann::ordered_json eventToJson(const ParameterSet& event);

// The same object as one line of text (no line end). Text that is no valid UTF-8 is kept
// with U+FFFD in place of the bad bytes.
std::string eventToJsonLine(const ParameterSet& event);
