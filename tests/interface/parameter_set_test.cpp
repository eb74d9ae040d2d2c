#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "ParameterSet.h"
#include "VkTCmdOptions.h"

namespace {

TEST(ParameterSetTest, IsAPlainSixtyFourByteRecord) {
    EXPECT_EQ(sizeof(ParameterSet), 64u);
    EXPECT_TRUE(std::is_trivially_copyable<ParameterSet>::value);
    EXPECT_TRUE(std::is_standard_layout<ParameterSet>::value);
}

TEST(VkTCmdOptionsTest, DefaultsSelectEverythingAndUpdateMode) {
    const VkTCmdOptions options;
    EXPECT_EQ(options.mode, static_cast<uint32_t>(Update));
    EXPECT_EQ(options.slot, 0u);
    EXPECT_TRUE(options.ipAddress.isEmpty());
    EXPECT_FALSE(options.fwMgrMode);
    EXPECT_EQ(static_cast<uint32_t>(ShowPlan), 5u);
    EXPECT_EQ(static_cast<uint32_t>(Reboot), 4u);
}

}  // namespace
