// Versions (parsing, text, order), error lists (message placeholders, warnings, pools) and the
// operating-system layer (IPv4 text, threads, scaled sleeps) of the platform.
#include <gtest/gtest.h>
#include <atomic>
#include <sstream>
#include "VkCErrorList.h"
#include "VkCVersion.h"
#include "VkNRtosAbstraction.h"

TEST(VkCVersionTest, TextHasOneToSixDecimalComponentsAndOrdersByValue) {
    // Accepted texts, each with the text it prints as after "=" when that differs.
    std::istringstream accepted("3=3.0 5.1.0=5.1 0.0.9 1.0.0.0.0.7 255.255.255.255.65535.65535");
    for (std::string text; accepted >> text;) {
        VkCVersion version;
        EXPECT_TRUE(version.setByString(text.substr(0, text.find('=')).c_str())) << text;
        EXPECT_EQ(version.getAsString().str(), text.substr(text.find('=') + 1)) << text;
    }
    for (const char* text :
         {"", "256", "1.2.3.4.65536", "1.2.3.4.5.6.7", "1..2", ".1", "1.", " 1.2", "+1.2", "-1",
          "1.x", "0x10", static_cast<const char*>(nullptr)}) {
        VkCVersion version(1, 1, 1, 1, 1, 1);
        EXPECT_FALSE(version.setByString(text)) << (text ? text : "null");
        EXPECT_EQ(version, VkCVersion(1, 1, 1, 1, 1, 1)) << "stays as it was";
    }
    EXPECT_EQ(VkCVersion("1.2.3.4.5.6").getAsULong64(),
              (1ULL << 56) | (2ULL << 48) | (3ULL << 40) | (4ULL << 32) | (5ULL << 16) | 6ULL);
    EXPECT_TRUE(VkCVersion("4.9") < VkCVersion("5.0") && VkCVersion("5.1") == VkCVersion("5.1.0"));
    EXPECT_TRUE(VkCVersion("2.0") > VkCVersion("1.255.255.255.65535.65535"));
}

TEST(VkCErrorListTest, PlaceholdersAreFilledAndPoolsCountErrorsApartFromWarnings) {
    VkCErrorListPool pool;
    pool.setError(0x2A, 0, "Boot loader of S/N %1 from '%2' failed.", 42, 3765, "f", "%u%s", 4711u,
                  "bl.bin");
    pool.setError(7, 0, "File '%1' failed. %2 stays", 0, 3620, "f", "%s", "fpga.bit");
    pool.setError(8, VkCErrorList::FlagWarning, "100% of %1 and %9", 0, 0, "f", "%x", 255u);
    EXPECT_STREQ(pool.getErrorText(0).c_str(), "Boot loader of S/N 4711 from 'bl.bin' failed.");
    EXPECT_STREQ(pool.getErrorText(1).c_str(), "File 'fpga.bit' failed. %2 stays");
    EXPECT_STREQ(pool.getErrorText(2).c_str(), "100% of ff and %9");
    EXPECT_EQ(pool.getErrorCode(0), 0x2Au);
    EXPECT_EQ(pool.getOriginNode(0), 42u);
    EXPECT_EQ(pool.getErrorCode(99), 0u);
    EXPECT_STREQ(pool.getErrorText(99).c_str(), "");
    VkCErrorListPool all;
    all += pool;
    all += all;
    EXPECT_EQ(all.getEntryCount(), 6u);
    EXPECT_EQ(all.getErrorCount(), 4u) << "warnings are entries but no errors";
    all.reset();
    EXPECT_EQ(all.getEntryCount(), 0u);
}

TEST(RtosAbstractionTest, IpV4TextThreadsAndSleep) {
    VkCErrorListPool pool;
    EXPECT_EQ(VkNRtosAbstraction::stringToIpV4(pool, "192.168.0.10"), 0xC0A8000Au);
    for (const char* text : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.-4", "1.2.3.4 ",
                             "a.b.c.d", "1..2.3", "0001.2.3.4", "1.2.3.", "::1", " 1.2.3.4",
                             "1.2.3.4x", static_cast<const char*>(nullptr)}) {
        VkCErrorListPool refused;
        EXPECT_EQ(VkNRtosAbstraction::stringToIpV4(refused, text), 0u) << (text ? text : "null");
        EXPECT_EQ(refused.getErrorCount(), 1u);
    }
    std::atomic<int> counter{0};
    VkNRtosAbstraction::ThreadHandle handle = nullptr;
    const auto body = [](void* context) -> unsigned {
        return ++*static_cast<std::atomic<int>*>(context) + 16;
    };
    ASSERT_TRUE(VkNRtosAbstraction::createThread(pool, handle, 1, 0, "", body, &counter, 0));
    unsigned result = 0;
    EXPECT_TRUE(VkNRtosAbstraction::joinThread(handle, &result, -1));
    EXPECT_EQ(result, 17u);
    EXPECT_FALSE(VkNRtosAbstraction::joinThread(nullptr, nullptr, -1));
    VkNRtosAbstraction::usleep(3600ULL * 1000 * 1000);  // ctest sets VK_SIM_TIME_SCALE=0
}
