#include "plan_json.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

ParameterSet eventWith(uint32_t code, uint32_t value1, uint32_t value2) {
    ParameterSet event;
    std::memset(&event, 0, sizeof event);
    event.eventCode = code;
    event.value1 = value1;
    event.value2 = value2;
    return event;
}

PlanMatch match(int32_t index, PlanDecision decision, bool hasPass, uint32_t pass) {
    PlanMatch m;
    m.catalogueIndex = index;
    m.fileName = "fw" + std::to_string(index) + ".vkim";
    m.typeName = "Firmware";
    m.version = "5.0";
    m.hasUpdatePass = hasPass;
    m.updatePass = pass;
    m.decision = decision;
    return m;
}

PlanBoard board(uint32_t index, const char* type, uint32_t serial, bool selected) {
    PlanBoard b;
    b.boardIndex = index;
    b.boardType = type;
    b.serialNumber = serial;
    b.slot = index + 1;
    b.address = "ROOT/HCN";
    b.selected = selected;
    return b;
}

TEST(CompatibilityRecorder, KeepsTheFirstVerdictOfEveryBoardAndAnswersZero) {
    CompatibilityRecorder recorder;
    const struct {
        uint32_t code, board, reason;
    } events[] = {{18, 0, 0}, {9, 2, 7}, {20, 5, 0}, {9, 2, 8}, {9, 0, 3}, {35, 1, 1}, {33, 4, 0}};
    for (const auto& e : events) {
        EXPECT_EQ(recorder.handle(eventWith(e.code, e.board, e.reason)), 0u) << e.code;
    }
    EXPECT_EQ(recorder.reasons(), (CompatibilityReasons{{0, 3}, {2, 7}}));
}

TEST(PlanJson, EveryBoardAndFileWithItsDecision) {
    UpdatePlan plan;
    plan.present = true;
    PlanBoard first = board(0, "VKx86_32", 104233, true);
    first.matches = {match(0, PlanDecision::Install, true, 1),
                     match(3, PlanDecision::AlreadyInstalled, false, 1),
                     match(4, PlanDecision::MissingFile, true, 2),
                     match(5, PlanDecision::NotSelected, true, 2)};
    PlanBoard second = board(1, "VK5310", 52114, true);
    second.matches = {match(6, PlanDecision::Incompatible, false, 1)};
    PlanBoard third = board(2, "VK2240", 70311, false);
    third.matches = {match(7, PlanDecision::NotSelected, false, 3)};
    plan.boards = {first, second, third};

    const nlohmann::ordered_json doc = planToJson(plan, {{1, 3}});
    const nlohmann::ordered_json expected = nlohmann::ordered_json::parse(R"({"boards": [
      {"boardIndex": 0, "boardType": "VKx86_32", "serialNumber": 104233, "slot": 1,
       "address": "ROOT/HCN", "selected": true, "files": [
        {"catalogueIndex": 0, "fileName": "fw0.vkim", "typeName": "Firmware", "version": "5.0",
         "updatePass": 1, "decision": "install"},
        {"catalogueIndex": 3, "fileName": "fw3.vkim", "typeName": "Firmware", "version": "5.0",
         "updatePass": null, "decision": "already installed"},
        {"catalogueIndex": 4, "fileName": "fw4.vkim", "typeName": "Firmware", "version": "5.0",
         "updatePass": 2, "decision": "missing file"},
        {"catalogueIndex": 5, "fileName": "fw5.vkim", "typeName": "Firmware", "version": "5.0",
         "updatePass": 2, "decision": "not selected"}]},
      {"boardIndex": 1, "boardType": "VK5310", "serialNumber": 52114, "slot": 2,
       "address": "ROOT/HCN", "selected": true, "files": [
        {"catalogueIndex": 6, "fileName": "fw6.vkim", "typeName": "Firmware", "version": "5.0",
         "updatePass": null, "decision": "incompatible", "reason": 3}]},
      {"boardIndex": 2, "boardType": "VK2240", "serialNumber": 70311, "slot": 3,
       "address": "ROOT/HCN", "selected": false, "files": [
        {"catalogueIndex": 7, "fileName": "fw7.vkim", "typeName": "Firmware", "version": "5.0",
         "updatePass": null, "decision": "not selected"}]}]})");
    EXPECT_EQ(doc, expected);
    // The key order is part of the document's readability, not only its content.
    EXPECT_EQ(doc.dump(), expected.dump());
}

TEST(PlanJson, IncompatibleFileWithoutVerdictHasANullReason) {
    UpdatePlan plan;
    plan.present = true;
    plan.boards = {board(4, "VK5310", 1, true)};
    plan.boards[0].matches = {match(0, PlanDecision::Incompatible, false, 1)};
    const nlohmann::ordered_json doc = planToJson(plan, {{3, 2}});  // another board's verdict
    ASSERT_TRUE(doc["boards"][0]["files"][0].contains("reason"));
    EXPECT_TRUE(doc["boards"][0]["files"][0]["reason"].is_null());
}

TEST(PlanJson, OnlyIncompatibleFilesCarryAReason) {
    UpdatePlan plan;
    plan.present = true;
    plan.boards = {board(0, "VK7120", 1, true)};
    plan.boards[0].matches = {match(0, PlanDecision::Install, true, 1)};
    const nlohmann::ordered_json doc = planToJson(plan, {{0, 5}});
    EXPECT_FALSE(doc["boards"][0]["files"][0].contains("reason"));
}

TEST(PlanJson, EmptyPlanHasAnEmptyBoardList) {
    EXPECT_EQ(planJsonText(UpdatePlan(), {}), "{\n  \"boards\": []\n}\n");
}

TEST(PlanJson, TextIsIndentedByTwoBlanksAndReplacesBrokenUtf8) {
    UpdatePlan plan;
    plan.present = true;
    plan.boards = {board(0, "VK\xff", 7, true)};
    EXPECT_EQ(planJsonText(plan, {}),
              "{\n"
              "  \"boards\": [\n"
              "    {\n"
              "      \"boardIndex\": 0,\n"
              "      \"boardType\": \"VK\xef\xbf\xbd\",\n"
              "      \"serialNumber\": 7,\n"
              "      \"slot\": 1,\n"
              "      \"address\": \"ROOT/HCN\",\n"
              "      \"selected\": true,\n"
              "      \"files\": []\n"
              "    }\n"
              "  ]\n"
              "}\n");
}

}  // namespace
