#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "VkNRtosAbstraction.h"

namespace {

TEST(RtosAbstractionTest, StringToIpV4AcceptsOnlyDottedQuads) {
    const std::pair<const char*, uint32_t> valid[] = {{"192.168.0.10", 0xC0A8000Au},
                                                      {"0.0.0.0", 0u},
                                                      {"255.255.255.255", 0xFFFFFFFFu},
                                                      {"10.0.0.1", 0x0A000001u}};
    for (const auto& c : valid) {
        VkCErrorListPool pool;
        EXPECT_EQ(VkNRtosAbstraction::stringToIpV4(pool, c.first), c.second) << c.first;
        EXPECT_EQ(pool.getErrorCount(), 0u) << c.first;
    }
    const char* invalid[] = {"",           "1.2.3",    "1.2.3.4.5", "256.1.1.1", "1.2.3.-4",
                             "1.2.3.4 ",   " 1.2.3.4", "a.b.c.d",   "1..2.3",    "1.2.3.4x",
                             "0001.2.3.4", "1.2.3.",   "::1"};
    for (const char* text : invalid) {
        VkCErrorListPool pool;
        EXPECT_EQ(VkNRtosAbstraction::stringToIpV4(pool, text), 0u) << text;
        EXPECT_EQ(pool.getErrorCount(), 1u) << text;
    }
    VkCErrorListPool pool;
    VkNRtosAbstraction::stringToIpV4(pool, nullptr);
    EXPECT_EQ(pool.getErrorCount(), 1u);
}

TEST(RtosAbstractionTest, IpToStringWritesDottedTextWithinTheBuffer) {
    char buffer[16];
    VkNRtosAbstraction::ipToString(0xC0A8000Au, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "192.168.0.10");
    char small[6];
    VkNRtosAbstraction::ipToString(0xFFFFFFFFu, small, sizeof small);
    EXPECT_STREQ(small, "255.2");
}

unsigned countTo(void* context) {
    auto* counter = static_cast<std::atomic<int>*>(context);
    for (int i = 0; i < 1000; ++i) {
        ++*counter;
    }
    return 17;
}

TEST(RtosAbstractionTest, ThreadRunsItsBodyAndJoinReturnsItsResult) {
    VkCErrorListPool pool;
    std::atomic<int> counter{0};
    VkNRtosAbstraction::ThreadHandle handle = nullptr;
    ASSERT_TRUE(VkNRtosAbstraction::createThread(pool, handle, 1, 0, "", countTo, &counter, 0));
    unsigned result = 0;
    EXPECT_TRUE(VkNRtosAbstraction::joinThread(handle, &result, -1));
    EXPECT_EQ(result, 17u);
    EXPECT_EQ(counter.load(), 1000);
    EXPECT_FALSE(VkNRtosAbstraction::joinThread(nullptr, nullptr, -1));
}

TEST(RtosAbstractionTest, SleepIsScaledToNothingInTests) {
    // ctest sets VK_SIM_TIME_SCALE=0; an hour of sleep must then return at once.
    const char* scale = std::getenv("VK_SIM_TIME_SCALE");
    if (scale == nullptr || std::string(scale) != "0") {
        GTEST_SKIP() << "VK_SIM_TIME_SCALE is not 0";
    }
    VkNRtosAbstraction::usleep(3600ULL * 1000 * 1000);
    SUCCEED();
}

}  // namespace
