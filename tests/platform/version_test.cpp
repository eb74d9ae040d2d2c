#include <gtest/gtest.h>

#include "VkCVersion.h"

namespace {

struct ParseCase {
    const char* text;
    bool accepted;
    uint64_t packed;
};

TEST(VkCVersionTest, SetByStringAcceptsOneToSixDecimalComponents) {
    const ParseCase cases[] = {
        {"3", true, 3ULL << 56},
        {"3.3.2", true, (3ULL << 56) | (3ULL << 48) | (2ULL << 40)},
        {"1.2.3.4.5.6", true,
         (1ULL << 56) | (2ULL << 48) | (3ULL << 40) | (4ULL << 32) | (5ULL << 16) | 6ULL},
        {"255.255.255.255.65535.65535", true, 0xFFFFFFFFFFFFFFFFULL},
        {"0", true, 0},
        {"", false, 0},
        {"256", false, 0},
        {"1.256", false, 0},
        {"1.2.3.4.65536", false, 0},
        {"1.2.3.4.5.6.7", false, 0},
        {"1..2", false, 0},
        {".1", false, 0},
        {"1.", false, 0},
        {" 1.2", false, 0},
        {"1.2 ", false, 0},
        {"+1.2", false, 0},
        {"-1", false, 0},
        {"1.x", false, 0},
        {"0x10", false, 0},
    };
    for (const ParseCase& c : cases) {
        VkCVersion version(1, 1, 1, 1, 1, 1);
        const uint64_t before = version.getAsULong64();
        EXPECT_EQ(version.setByString(c.text), c.accepted) << c.text;
        EXPECT_EQ(version.getAsULong64(), c.accepted ? c.packed : before) << c.text;
    }
}

TEST(VkCVersionTest, NullTextIsRefused) {
    VkCVersion version;
    EXPECT_FALSE(version.setByString(nullptr));
}

TEST(VkCVersionTest, GetAsStringPrintsUpToTheLastNonZeroComponent) {
    const std::pair<VkCVersion, const char*> cases[] = {
        {VkCVersion(), "0.0"},
        {VkCVersion(3, 3, 2, 0, 0, 0), "3.3.2"},
        {VkCVersion(5, 0, 0, 0, 0, 0), "5.0"},
        {VkCVersion(5, 1, 0, 0, 0, 0), "5.1"},
        {VkCVersion(1, 2, 3, 4, 0, 0), "1.2.3.4"},
        {VkCVersion(1, 0, 0, 0, 0, 7), "1.0.0.0.0.7"},
        {VkCVersion(0, 0, 9, 0, 0, 0), "0.0.9"},
        {VkCVersion(255, 255, 255, 255, 65535, 65535), "255.255.255.255.65535.65535"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.first.getAsString().c_str(), c.second);
    }
}

TEST(VkCVersionTest, OrderingComparesPackedValues) {
    const VkCVersion v49("4.9"), v50("5.0"), v51("5.1"), v510("5.1.0"), v5101("5.1.0.1");
    EXPECT_TRUE(v49 < v50);
    EXPECT_TRUE(v50 < v51);
    EXPECT_TRUE(v51 <= v510);
    EXPECT_FALSE(v51 != v510);
    EXPECT_TRUE(v510 < v5101);
    EXPECT_TRUE(v5101 >= v51);
    EXPECT_FALSE(v49 >= v50);
    EXPECT_TRUE(VkCVersion("2.0") > VkCVersion("1.255.255.255.65535.65535"));
}

TEST(VkCVersionTest, PackingRoundTrips) {
    VkCVersion version;
    version.setByULong64(0x0102030405060708ULL);
    EXPECT_EQ(version.getAsULong64(), 0x0102030405060708ULL);
    EXPECT_EQ(version, VkCVersion(1, 2, 3, 4, 0x0506, 0x0708));
    EXPECT_STREQ(version.getAsString().c_str(), "1.2.3.4.1286.1800");
    EXPECT_EQ(VkCVersion().getAsULong64(), 0u);
}

}  // namespace
