// --events json: standard output carries one JSON object per line and nothing else.
#include <sstream>
#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "firmware_folder.h"

namespace {

std::vector<nlohmann::json> parseLines(const std::string& out) {
    std::vector<nlohmann::json> events;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
        EXPECT_FALSE(event.is_discarded()) << "not JSON: " << line;
        EXPECT_TRUE(event.is_object() && event.contains("event")) << line;
        events.push_back(event);
    }
    EXPECT_TRUE(out.empty() || out.back() == '\n');
    return events;
}

size_t countOf(const std::vector<nlohmann::json>& events, int code) {
    size_t count = 0;
    for (const nlohmann::json& event : events) {
        count += event["event"] == code ? 1 : 0;
    }
    return count;
}

using EventsJsonRun = VkupdateE2eTest;

TEST_F(EventsJsonRun, CanRebootSendsTheScanAndTheEndOfTheRun) {
    copyExampleTarget("compact-rtpc");
    const ProcessResult result = run({"--targets", "$TMP/targets", "--system", "RTPC-COMPACT-07",
                                      "--events", "json", "can-reboot"});
    expectRun(result, "compact_can_reboot_events", 0);
    const std::vector<nlohmann::json> events = parseLines(result.out);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(countOf(events, 33), 5u);  // the boards of the compact system
    // Every scanned item is closed by an event 4 with value1 1; every one but the root is
    // preceded by an event 4 with value1 0.
    const size_t scanned = countOf(events, 29);
    EXPECT_EQ(countOf(events, 4), 2 * scanned - 1);
    EXPECT_EQ(events.back(), nlohmann::json::parse(R"({"event":11,"result":0})"));
    // What is not an event goes to standard error.
    EXPECT_EQ(result.err, "Automatic reboot is supported.\n");
}

TEST_F(EventsJsonRun, MessagesBecomeTextEvents) {
    copyExampleTarget("compact-rtpc");
    nlohmann::json doc = readTargetJson("compact-rtpc");
    doc["inventory"][1]["items"][1]["items"][0]["params"]["VERSION"] = "3.9";
    writeTargetJson("compact-rtpc", doc);
    const ProcessResult result = run({"--targets", "$TMP/targets", "--system", "RTPC-COMPACT-07",
                                      "--events", "json", "can-reboot"});
    EXPECT_EQ(result.status, 2);
    const std::vector<nlohmann::json> events = parseLines(result.out);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2],
              nlohmann::json({{"event", 35},
                              {"text",
                               "WARNING: System cannot be rebooted automatically (not supported "
                               "by the system's VK7120 board).\n"}}));
    EXPECT_EQ(events.back(), nlohmann::json::parse(R"({"event":11,"result":0})"));
    EXPECT_EQ(result.err, "");
}

TEST_F(EventsJsonRun, CatalogueSendsCountEntriesAndTheEnd) {
    writeFirmwareFolder(tempFolder() + "/fw", VK_LIB_VERSION_TEXT);
    const ProcessResult result = run({"--firmware", "$TMP/fw", "--events", "json", "catalogue"});
    expectRun(result, "catalogue_events", 0);
    const std::vector<nlohmann::json> events = parseLines(result.out);
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events.front(), nlohmann::json::parse(R"({"event":21,"fileCount":5})"));
    EXPECT_EQ(countOf(events, 34), 5u);
    EXPECT_EQ(events.back(), nlohmann::json::parse(R"({"event":5})"));
}

// The firmware manager's update: the stages and their progress as JSON lines, the board
// labels (written straight to the console) on standard error.
TEST_F(EventsJsonRun, UpdateSendsItsStagesAsLines) {
    copyExampleTarget("compact-rtpc");
    const ProcessResult result =
        run({"--targets", "$TMP/targets", "--system", "RTPC-COMPACT-07", "--firmware",
             VK_EXAMPLE_FIRMWARE_DIR, "--events", "json", "update"},
            {{"VK_SIM_TIME_SCALE", "0.001"}});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<nlohmann::json> events = parseLines(result.out);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(countOf(events, 1), 1u);
    EXPECT_EQ(countOf(events, 0), countOf(events, 10));
    EXPECT_GT(countOf(events, 25), 0u);
    EXPECT_EQ(events[events.size() - 2]["event"], 35);
    EXPECT_EQ(events.back(), nlohmann::json::parse(R"({"event":11,"result":0})"));
    EXPECT_NE(result.err.find(", SN: "), std::string::npos) << result.err;
}

}  // namespace
