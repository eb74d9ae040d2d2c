#include "plan_json.h"

#include "VkHostEvents.h"

namespace {

using Json = nlohmann::ordered_json;

Json fileToJson(const PlanMatch& match, const Json& reason) {
    Json file;
    file["catalogueIndex"] = match.catalogueIndex;
    file["fileName"] = match.fileName;
    file["typeName"] = match.typeName;
    file["version"] = match.version;
    file["updatePass"] = match.hasUpdatePass ? Json(match.updatePass) : Json(nullptr);
    file["decision"] = planDecisionName(match.decision);
    if (match.decision == PlanDecision::Incompatible) {
        file["reason"] = reason;
    }
    return file;
}

Json boardToJson(const PlanBoard& board, const CompatibilityReasons& reasons) {
    const auto verdict = reasons.find(board.boardIndex);
    const Json reason = verdict != reasons.end() ? Json(verdict->second) : Json(nullptr);
    Json files = Json::array();
    for (const PlanMatch& match : board.matches) {
        files.push_back(fileToJson(match, reason));
    }
    Json described;
    described["boardIndex"] = board.boardIndex;
    described["boardType"] = board.boardType;
    described["serialNumber"] = board.serialNumber;
    described["slot"] = board.slot;
    described["address"] = board.address;
    described["selected"] = board.selected;
    described["files"] = std::move(files);
    return described;
}

}  // namespace

uint32_t CompatibilityRecorder::handle(const ParameterSet& event) {
    if (event.eventCode == EvCompatibility) {
        reasons_.emplace(event.value1, event.value2);  // keeps the first one of a board
    }
    return 0;
}

nlohmann::ordered_json planToJson(const UpdatePlan& plan, const CompatibilityReasons& reasons) {
    Json boards = Json::array();
    for (const PlanBoard& board : plan.boards) {
        boards.push_back(boardToJson(board, reasons));
    }
    Json document;
    document["boards"] = std::move(boards);
    return document;
}

std::string planJsonText(const UpdatePlan& plan, const CompatibilityReasons& reasons) {
    return planToJson(plan, reasons).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
