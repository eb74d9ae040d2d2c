// Host events: without a host nothing is sent and every file is allowed; with one, only its
// answer 1 allows a file and its answer comes back.
#include "reporting/host_events.h"

#include <gtest/gtest.h>

#include "support/host_recorder.h"

namespace {

TEST(HostEvents, OnlyTheAnswerOneAllowsAFile) {
    EXPECT_EQ(sendEvent(9, 1, 2) + openStage(0), 0u);
    EXPECT_TRUE(hostAllowsFile(0, 1, 0, 0));
    for (uint32_t answer : {1u, 0u, 2u}) {
        HostRecorder host([=](const ParameterSet&) { return answer; });
        EXPECT_EQ(hostAllowsFile(7, 1, 2, 3), answer == 1) << answer;
        EXPECT_EQ(sendEvent(26, 1, 2, 3, 4), answer);
        EXPECT_EQ(host.events().at(0).record.value4, 3u);
    }
}

}  // namespace
