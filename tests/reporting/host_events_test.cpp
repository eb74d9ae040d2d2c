#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "VkTalveronUpdateLib.h"
#include "reporting/host_events.h"

namespace {

std::vector<ParameterSet> events;
uint32_t answer = 0;

uint32_t host(ParameterSet event) {
    events.push_back(event);
    return answer;
}

class HostEventsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        events.clear();
        answer = 0;
        SetFwMgrFunction(nullptr);
    }
    void TearDown() override { SetFwMgrFunction(nullptr); }
};

TEST_F(HostEventsTest, MakeEventZeroesEveryOtherByte) {
    const ParameterSet event = makeEvent(34);
    unsigned char bytes[sizeof event];
    std::memcpy(bytes, &event, sizeof event);
    EXPECT_EQ(event.eventCode, 34u);
    for (size_t i = 4; i < sizeof bytes; ++i) {
        EXPECT_EQ(bytes[i], 0) << "offset " << i;
    }
}

TEST_F(HostEventsTest, EventsCarryTheirValuesAndNothingElse) {
    SetFwMgrFunction(host);
    answer = 5;
    EXPECT_EQ(sendEvent(26, 1, 2, 3, 4), 5u);
    ASSERT_EQ(events.size(), 1u);
    const ParameterSet& e = events[0];
    EXPECT_EQ(e.eventCode, 26u);
    EXPECT_EQ(e.value1, 1u);
    EXPECT_EQ(e.value2, 2u);
    EXPECT_EQ(e.value3, 3u);
    EXPECT_EQ(e.value4, 4u);
    EXPECT_EQ(e.ref1, nullptr);
    EXPECT_EQ(e.ref2, nullptr);
}

TEST_F(HostEventsTest, WithoutACallbackNothingIsSentContextIsZeroAndNoFileIsSkipped) {
    EXPECT_FALSE(hostCallbackRegistered());
    EXPECT_EQ(sendEvent(9, 1, 2), 0u);
    EXPECT_EQ(openStage(0), 0u);
    EXPECT_TRUE(hostAllowsFile(0, 1, 0, 0));
    EXPECT_TRUE(events.empty());
}

TEST_F(HostEventsTest, StageContextIsTheHostsAnswer) {
    SetFwMgrFunction(host);
    answer = 1234;
    EXPECT_EQ(openStage(1), 1234u);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].eventCode, 1u);
}

TEST_F(HostEventsTest, FilePermissionNeedsAnAnswerOfExactlyOne) {
    SetFwMgrFunction(host);
    const struct {
        uint32_t answer;
        bool allowed;
    } cases[] = {{1, true}, {0, false}, {2, false}, {0xFFFFFFFF, false}};
    for (const auto& c : cases) {
        answer = c.answer;
        EXPECT_EQ(hostAllowsFile(7, 1, 2, 3), c.allowed) << c.answer;
    }
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].eventCode, 26u);
    EXPECT_EQ(events[0].value1, 7u);
    EXPECT_EQ(events[0].value2, 1u);
    EXPECT_EQ(events[0].value3, 2u);
    EXPECT_EQ(events[0].value4, 3u);
}

}  // namespace
