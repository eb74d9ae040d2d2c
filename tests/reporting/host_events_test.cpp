// Host events: an event carries its values and nothing else, the host's answer comes back;
// without a host nothing is sent, a stage's context is 0 and every file is allowed.
#include "reporting/host_events.h"

#include <gtest/gtest.h>

#include "VkTalveronUpdateLib.h"
#include "support/host_recorder.h"

namespace {

uint32_t answerFive(ParameterSet) {
    return 5;
}

std::vector<uint32_t> values(const ParameterSet& e) {
    return {e.eventCode, e.value1,          e.value2,         e.value3,
            e.value4,    e.ref1 != nullptr, e.ref2 != nullptr};
}

TEST(HostEvents, EventsCarryTheirValuesAndTheAnswerComesBack) {
    EXPECT_EQ(values(makeEvent(EvMessage)), (std::vector<uint32_t>{EvMessage, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(hostCallbackRegistered());
    EXPECT_EQ(sendEvent(9, 1, 2) + openStage(0), 0u);
    EXPECT_TRUE(hostAllowsFile(0, 1, 0, 0));
    SetFwMgrFunction(answerFive);
    EXPECT_EQ(openStage(1), 5u);
    SetFwMgrFunction(nullptr);
    for (uint32_t answer : {1u, 0u, 2u, 0xFFFFFFFFu}) {
        HostRecorder host([=](const ParameterSet&) { return answer; });
        EXPECT_EQ(hostAllowsFile(7, 1, 2, 3), answer == 1) << answer;
        EXPECT_EQ(sendEvent(26, 1, 2, 3, 4), answer);
        EXPECT_EQ(values(host.events().at(0).record),
                  (std::vector<uint32_t>{EvFilePermission, 7, 1, 2, 3, 0, 0}));
        EXPECT_EQ(values(host.events().at(1).record),
                  (std::vector<uint32_t>{26, 1, 2, 3, 4, 0, 0}));
    }
}

}  // namespace
