// What vkupdate writes from the library's events: one JSON line per event (the events and
// fields no golden output of tests/e2e shows), the answers and whole lines of the JSON event
// printer under two threads, the catalogue summary and the plan document's reasons.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "VkCString.h"
#include "VkHostEvents.h"
#include "catalogue_table.h"
#include "event_json.h"
#include "json_event_printer.h"
#include "plan_json.h"

namespace {

ParameterSet eventWith(uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0,
                       uint32_t v4 = 0) {
    ParameterSet event{};
    event.eventCode = code;
    event.value1 = v1;
    event.value2 = v2;
    event.value3 = v3;
    event.value4 = v4;
    return event;
}

ParameterSet message(const VkCString* text) {
    ParameterSet event = eventWith(EvMessage);
    event.text1 = text;
    return event;
}

TEST(EventJson, EveryEventCarriesItsNamedFields) {
    const VkCString quoted("INFO: \"quoted\"\tand a line end\n");
    const VkCString broken("bad \xFF byte");
    const std::pair<ParameterSet, std::string> cases[] = {
        {eventWith(EvStageOpen), R"({"event":0})"},
        {eventWith(EvSequenceOpen), R"({"event":1})"},
        {eventWith(EvVersionReportEnd), R"({"event":2})"},
        {eventWith(EvVersionReportChecked), R"({"event":3})"},
        {eventWith(EvBusFpgaException, 7), R"({"event":8,"stageContext":7})"},
        {eventWith(EvCompatibility, 2, 6), R"({"event":9,"boardIndex":2,"reason":6})"},
        {eventWith(EvStageClose, 3), R"({"event":10,"stageContext":3})"},
        {eventWith(EvBoardSkipped, 4), R"({"event":12,"boardIndex":4})"},
        {eventWith(EvUpdateErrorsDone, 5), R"({"event":13,"stageContext":5})"},
        {eventWith(EvBootLoaderFailed, 5), R"({"event":14,"stageContext":5})"},
        {eventWith(EvUnlocked1, 5), R"({"event":15,"stageContext":5})"},
        {eventWith(EvUnlocked2, 5), R"({"event":16,"stageContext":5})"},
        {eventWith(EvMainRuleMatch, 9), R"({"event":18,"catalogueIndex":9})"},
        {eventWith(EvBoardMatching, 1), R"({"event":19,"boardIndex":1})"},
        {eventWith(EvFileMatched, 9), R"({"event":20,"catalogueIndex":9})"},
        {eventWith(EvBusFpgaWritten, 2, 1), R"({"event":22,"stageContext":2,"written":1})"},
        {eventWith(EvProgress, 2, 80), R"({"event":24,"stageContext":2,"percent":80})"},
        {eventWith(EvUpdateEnded, 1, 3), R"({"event":25,"boardIndex":1,"matchIndex":3})"},
        {eventWith(EvFilePermission, 2, 1, 4, 0),
         R"({"event":26,"stageContext":2,"stageKind":1,"boardIndex":4,"matchIndex":0})"},
        {eventWith(EvUpdateStartFailed, 2, 1, 4, 3),
         R"({"event":28,"stageContext":2,"pass":1,"boardIndex":4,"matchIndex":3})"},
        {eventWith(EvFileProgress, 2, 1, 0, 6),
         R"({"event":30,"stageContext":2,"boardIndex":1,"matchIndex":0,"errorCount":6})"},
        {eventWith(99, 1, 2, 3, 4), R"({"event":99,"value1":1,"value2":2,"value3":3,"value4":4})"},
        {eventWith(EvBoardAppended), R"({"event":33,"boardIndex":0,"address":""})"},
        {eventWith(EvMessage), R"({"event":35,"text":""})"},
        {message(&quoted), R"({"event":35,"text":"INFO: \"quoted\"\tand a line end\n"})"},
        {message(&broken), "{\"event\":35,\"text\":\"bad \xEF\xBF\xBD byte\"}"},
    };
    for (const auto& [event, line] : cases) {
        EXPECT_EQ(eventToJsonLine(event), line);
    }
}

TEST(JsonEventPrinter, StagesGetNewNumbersAndFilesAreAllowed) {
    uint32_t nextStage = 1;
    const std::pair<uint32_t, uint32_t> answers[] = {
        {EvStageOpen, 1},      {EvSequenceOpen, 2}, {EvStageOpen, 3},   {EvFilePermission, 1},
        {EvFilePermission, 1}, {EvStageClose, 0},   {EvRunFinished, 0}, {EvMessage, 0},
        {EvCatalogueEntry, 0}, {EvItemScanned, 0},  {EvScanLevel, 0},   {EvVersionReportEnd, 0}};
    for (const auto& [code, answer] : answers) {
        EXPECT_EQ(answerToEvent(code, nextStage), answer) << code;
    }
    EXPECT_EQ(nextStage, 4u);
}

// The progress thread and the driver thread send events at the same time: every line must
// stay whole and every stage number must be given once.
TEST(JsonEventPrinter, LinesFromTwoThreadsNeverInterleave) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    JsonEventPrinter printer(out);
    constexpr uint32_t kPerThread = 2000;
    const std::string longText(3000, 'x');
    const VkCString text(longText.c_str());
    std::vector<uint32_t> stages[2];
    auto send = [&](std::vector<uint32_t>& given) {
        for (uint32_t i = 0; i < kPerThread; ++i) {
            printer.handle(message(&text));
            given.push_back(printer.handle(eventWith(EvStageOpen)));
        }
    };
    std::thread a(send, std::ref(stages[0])), b(send, std::ref(stages[1]));
    a.join();
    b.join();
    std::rewind(out);
    size_t lines = 0;
    for (char buffer[4096]; std::fgets(buffer, sizeof buffer, out) != nullptr; ++lines) {
        const nlohmann::json parsed = nlohmann::json::parse(buffer, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << std::string(buffer).substr(0, 80);
        EXPECT_TRUE(parsed["event"] == 0 || parsed["text"] == longText);
    }
    std::fclose(out);
    EXPECT_EQ(lines, 4 * kPerThread);
    std::set<uint32_t> given(stages[0].begin(), stages[0].end());
    given.insert(stages[1].begin(), stages[1].end());
    EXPECT_EQ(given.size(), 2 * kPerThread);
    EXPECT_EQ(*given.rbegin(), 2 * kPerThread);
}

TEST(CatalogueTable, SummaryCountsTheFiles) {
    CatalogueEntry entry;
    entry.maxUpdatePass = 3;
    EXPECT_NE(formatCatalogueTable({entry}).find("\n1 update file, highest update pass 3.\n"),
              std::string::npos);
    EXPECT_NE(formatCatalogueTable({}).find("\n0 update files, highest update pass 0.\n"),
              std::string::npos);
}

// The first verdict of a board gives the reason of its incompatible files; a board without
// one gets null, and files of other decisions get none.
TEST(PlanJson, IncompatibleFilesCarryTheFirstVerdictOfTheirBoard) {
    CompatibilityRecorder recorder;
    const uint32_t events[][3] = {{EvMainRuleMatch, 0, 0}, {EvCompatibility, 2, 7},
                                  {EvCompatibility, 2, 8}, {EvCompatibility, 0, 3},
                                  {EvMessage, 1, 1},       {EvBoardAppended, 4, 0}};
    for (const auto& [code, board, reason] : events) {
        EXPECT_EQ(recorder.handle(eventWith(code, board, reason)), 0u) << code;
    }
    EXPECT_EQ(recorder.reasons(), (CompatibilityReasons{{0, 3}, {2, 7}}));

    UpdatePlan plan;
    plan.boards.resize(3);
    for (uint32_t i = 0; i < 3; ++i) {
        plan.boards[i].boardIndex = i;
        plan.boards[i].boardType = "VK\xff";
        plan.boards[i].matches.resize(2);
        plan.boards[i].matches[0].decision = PlanDecision::Incompatible;
        plan.boards[i].matches[1].decision = PlanDecision::Install;
    }
    const nlohmann::ordered_json doc = planToJson(plan, recorder.reasons());
    EXPECT_EQ(doc["boards"][0]["files"][0]["reason"], 3);
    EXPECT_TRUE(doc["boards"][1]["files"][0]["reason"].is_null());
    EXPECT_TRUE(doc["boards"][1]["files"][0].contains("reason"));
    EXPECT_EQ(doc["boards"][2]["files"][0]["reason"], 7);
    EXPECT_FALSE(doc["boards"][2]["files"][1].contains("reason"));
    // Broken UTF-8 in a text is replaced, not fatal.
    EXPECT_NE(planJsonText(plan, {}).find("\"VK\xEF\xBF\xBD\""), std::string::npos);
}

}  // namespace
