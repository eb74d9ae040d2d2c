#include "json_event_printer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "VkCString.h"

namespace {

ParameterSet eventWith(uint32_t code) {
    ParameterSet event;
    std::memset(&event, 0, sizeof event);
    event.eventCode = code;
    return event;
}

std::vector<std::string> linesOf(std::FILE* file) {
    std::rewind(file);
    std::vector<std::string> lines;
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    EXPECT_TRUE(line.empty()) << "the last line has no line end";
    return lines;
}

TEST(EventAnswers, StagesGetNewNumbersAndFilesAreAllowed) {
    uint32_t nextStage = 1;
    EXPECT_EQ(answerToEvent(0, nextStage), 1u);
    EXPECT_EQ(answerToEvent(1, nextStage), 2u);
    EXPECT_EQ(answerToEvent(0, nextStage), 3u);
    EXPECT_EQ(answerToEvent(26, nextStage), 1u);
    EXPECT_EQ(answerToEvent(26, nextStage), 1u);
    for (uint32_t code : {2u, 4u, 10u, 11u, 21u, 29u, 33u, 34u, 35u}) {
        EXPECT_EQ(answerToEvent(code, nextStage), 0u) << code;
    }
    EXPECT_EQ(nextStage, 4u);
}

TEST(JsonEventPrinter, WritesOneLinePerEventAndAnswers) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    JsonEventPrinter printer(out);
    EXPECT_EQ(printer.handle(eventWith(1)), 1u);
    EXPECT_EQ(printer.handle(eventWith(0)), 2u);
    EXPECT_EQ(printer.handle(eventWith(26)), 1u);
    EXPECT_EQ(printer.handle(eventWith(10)), 0u);
    const std::vector<std::string> lines = linesOf(out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], R"({"event":1})");
    EXPECT_EQ(lines[1], R"({"event":0})");
    EXPECT_EQ(lines[2],
              R"({"event":26,"stageContext":0,"stageKind":0,"boardIndex":0,"matchIndex":0})");
    EXPECT_EQ(lines[3], R"({"event":10,"stageContext":0})");
    std::fclose(out);
}

// The progress thread and the driver thread send events at the same time: every line must
// stay whole and every stage number must be given once.
TEST(JsonEventPrinter, LinesFromTwoThreadsNeverInterleave) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    JsonEventPrinter printer(out);
    constexpr int kPerThread = 2000;
    const std::string longText(3000, 'x');
    VkCString message(longText.c_str());
    std::vector<uint32_t> stagesA, stagesB;
    auto send = [&](std::vector<uint32_t>& stages) {
        for (int i = 0; i < kPerThread; ++i) {
            ParameterSet text = eventWith(35);
            text.text1 = &message;
            printer.handle(text);
            stages.push_back(printer.handle(eventWith(0)));
        }
    };
    std::thread a(send, std::ref(stagesA));
    std::thread b(send, std::ref(stagesB));
    a.join();
    b.join();
    const std::vector<std::string> lines = linesOf(out);
    ASSERT_EQ(lines.size(), 4u * kPerThread);
    for (const std::string& line : lines) {
        const nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << line.substr(0, 80);
        if (parsed["event"] == 35) {
            EXPECT_EQ(parsed["text"], longText);
        }
    }
    std::set<uint32_t> stages(stagesA.begin(), stagesA.end());
    stages.insert(stagesB.begin(), stagesB.end());
    EXPECT_EQ(stages.size(), 2u * kPerThread);
    EXPECT_EQ(*stages.begin(), 1u);
    EXPECT_EQ(*stages.rbegin(), 2u * kPerThread);
    std::fclose(out);
}

}  // namespace
