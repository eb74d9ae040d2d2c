#pragma once
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "ParameterSet.h"
#include "VkUpdatePlan.h"

// Board index -> reason code of the board's compatibility verdict (EvCompatibility).
using CompatibilityReasons = std::map<uint32_t, uint32_t>;

// The host callback of `plan --json`: keeps the first verdict of every board and ignores
// every other event. Answers 0 to everything, as a plan run asks no question.
class CompatibilityRecorder {
  public:
    uint32_t handle(const ParameterSet& event);
    const CompatibilityReasons& reasons() const { return reasons_; }

  private:
    CompatibilityReasons reasons_;
};

// The plan as one JSON object: {"boards": [...]}, every board with its index, type, serial
// number, slot, address, selection and matched files; every file with its catalogue index,
// name, type name, version, update pass (null where the printed plan shows "-") and
// decision; an "incompatible" file also with the board's reason code (null when the run
// sent none).
nlohmann::ordered_json planToJson(const UpdatePlan& plan, const CompatibilityReasons& reasons);

// planToJson indented by 2 blanks, with a final line feed; text that is not valid UTF-8 is
// replaced, never refused.
std::string planJsonText(const UpdatePlan& plan, const CompatibilityReasons& reasons);
