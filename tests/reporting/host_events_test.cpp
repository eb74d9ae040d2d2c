// Host events: an event carries its values and nothing else, the host's answer comes back,
// and without a host nothing is sent, a stage's context is 0 and every file is allowed.
#include "reporting/host_events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "VkTalveronUpdateLib.h"
#include "support/host_recorder.h"

namespace {

uint32_t answerFive(ParameterSet) {
    return 5;
}

TEST(HostEvents, EventsCarryTheirValuesAndTheAnswerComesBack) {
    const ParameterSet empty = makeEvent(EvMessage);
    unsigned char bytes[sizeof empty];
    std::memcpy(bytes, &empty, sizeof empty);
    EXPECT_EQ(std::count(bytes + 4, bytes + sizeof bytes, 0), static_cast<long>(sizeof bytes - 4));
    SetFwMgrFunction(answerFive);
    EXPECT_TRUE(hostCallbackRegistered());
    EXPECT_EQ(sendEvent(26), 5u);
    SetFwMgrFunction(nullptr);
    HostRecorder host([](const ParameterSet& e) { return e.value1 * 1000; });
    EXPECT_EQ(sendEvent(26, 1, 2, 3, 4), 1000u);
    EXPECT_EQ(openStage(1), 0u);
    const ParameterSet e = host.events().at(0).record;
    EXPECT_EQ(std::vector<uint32_t>({e.eventCode, e.value1, e.value2, e.value3, e.value4}),
              std::vector<uint32_t>({26, 1, 2, 3, 4}));
    EXPECT_EQ(e.ref1, nullptr);
    EXPECT_EQ(e.ref2, nullptr);
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{26, 1}));
}

TEST(HostEvents, FilePermissionNeedsAnAnswerOfExactlyOne) {
    EXPECT_FALSE(hostCallbackRegistered());
    EXPECT_EQ(sendEvent(9, 1, 2), 0u);
    EXPECT_EQ(openStage(0), 0u);
    EXPECT_TRUE(hostAllowsFile(0, 1, 0, 0));
    for (uint32_t answer : {1u, 0u, 2u, 0xFFFFFFFFu}) {
        HostRecorder host([=](const ParameterSet&) { return answer; });
        EXPECT_EQ(hostAllowsFile(7, 1, 2, 3), answer == 1) << answer;
        const ParameterSet e = host.events().at(0).record;
        EXPECT_EQ(std::vector<uint32_t>({e.eventCode, e.value1, e.value2, e.value3, e.value4}),
                  std::vector<uint32_t>({EvFilePermission, 7, 1, 2, 3}));
    }
}

}  // namespace
