#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/device_access.h"
#include "driver/sim_targets.h"

namespace {

using Json = SimTargets::Json;

struct ResolveCase {
    const wchar_t* text;
    bool resolved;
    const char* address;
};

class ResolveTargetAddress : public testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTargetAddress, GivesDottedText) {
    VkCErrorListPool pool;
    char buffer[kAddressTextSize];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(resolveTargetAddress(pool, GetParam().text, buffer, sizeof buffer),
              GetParam().resolved);
    EXPECT_STREQ(buffer, GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(Texts, ResolveTargetAddress,
                         testing::Values(ResolveCase{L"192.168.0.10", true, "192.168.0.10"},
                                         ResolveCase{L"10.0.0.1", true, "10.0.0.1"},
                                         ResolveCase{L"localhost", true, "127.0.0.1"},
                                         ResolveCase{L"300.1.1.1", false, ""},
                                         ResolveCase{L"1.2.3", false, ""},
                                         ResolveCase{L"", false, ""},
                                         ResolveCase{L"1.2.3.4x", false, ""},
                                         ResolveCase{L"no-such-host.invalid", false, ""}));

TEST(ResolveTargetAddressErrors, InvalidAddressLeavesTheParserErrorInThePool) {
    VkCErrorListPool pool;
    char buffer[kAddressTextSize];
    EXPECT_FALSE(resolveTargetAddress(pool, L"1.2.3", buffer, sizeof buffer));
    EXPECT_EQ(pool.getErrorCount(), 1u);
}

TEST(ResolveTargetAddressErrors, HostNameFailureEntersNothing) {
    VkCErrorListPool pool;
    char buffer[kAddressTextSize];
    EXPECT_FALSE(resolveTargetAddress(pool, L"no-such-host.invalid", buffer, sizeof buffer));
    EXPECT_EQ(pool.getEntryCount(), 0u);
}

class OpenDeviceHandle : public testing::Test {
  protected:
    int32_t open(const char* systemName, const char* ip = "") {
        VkTCmdOptions options;
        options.systemName = systemName;
        options.ipAddress = ip;
        return openDeviceHandle(pool_, options, device_);
    }
    void TearDown() override {
        if (device_ != nullptr) {
            VkLnk_deleteDeviceHandle(pool_, device_);
        }
    }

    VkCErrorListPool pool_;
    VkTDeviceHandle device_ = reinterpret_cast<VkTDeviceHandle>(1);
};

TEST_F(OpenDeviceHandle, FindsTheTargetByNameOrAddress) {
    SimTargets targets;
    targets.add("a", SimTargets::target("lab", "10.0.0.1"));
    targets.add("b", SimTargets::target("office", "10.0.0.2"));
    EXPECT_EQ(open("office"), 0);
    EXPECT_NE(device_, nullptr);
    VkLnk_deleteDeviceHandle(pool_, device_);
    EXPECT_EQ(open("office", "10.0.0.1"), 0);
    EXPECT_NE(device_, nullptr);
    EXPECT_EQ(pool_.getEntryCount(), 0u);
}

TEST_F(OpenDeviceHandle, KeepsWhatThePoolHeldBefore) {
    SimTargets targets;
    targets.add("a", SimTargets::target("lab", "10.0.0.1"));
    pool_.setError(0x55, 0, "Earlier.", 0, 1, "test", "");
    EXPECT_EQ(open("lab"), 0);
    EXPECT_NE(device_, nullptr);
    EXPECT_EQ(pool_.getEntryCount(), 1u);
    EXPECT_EQ(pool_.getErrorCode(0), 0x55u);
}

TEST_F(OpenDeviceHandle, NoDeviceGivesNoHandleAndNoError) {
    SimTargets targets;
    targets.add("a", SimTargets::target("lab", "10.0.0.1"));
    EXPECT_EQ(open("other"), 0);
    EXPECT_EQ(device_, nullptr);
    EXPECT_EQ(open("", "10.0.0.9"), 0);
    EXPECT_EQ(device_, nullptr);
}

TEST_F(OpenDeviceHandle, SeveralDevicesGiveNoHandle) {
    SimTargets targets;
    targets.add("a", SimTargets::target("lab", "10.0.0.1"));
    targets.add("b", SimTargets::target("lab", "10.0.0.2"));
    EXPECT_EQ(open("lab"), 0);
    EXPECT_EQ(device_, nullptr);
}

TEST_F(OpenDeviceHandle, InvalidAddressText) {
    SimTargets targets;
    targets.add("a", SimTargets::target("lab", "10.0.0.1"));
    EXPECT_EQ(open("lab", "10.0.0"), -1);
    EXPECT_EQ(device_, nullptr);
}

TEST_F(OpenDeviceHandle, ServiceUnreachable) {
    unsetenv("VK_SIM_TARGETS");
    EXPECT_EQ(open("lab"), 33);
    EXPECT_EQ(device_, nullptr);
}

TEST_F(OpenDeviceHandle, ServiceOutdated) {
    SimTargets targets;
    targets.add("a", SimTargets::target("lab", "10.0.0.1"));
    targets.markOutdated();
    EXPECT_EQ(open("lab"), 46);
    EXPECT_EQ(device_, nullptr);
}

TEST_F(OpenDeviceHandle, FailedHandleCreationIsReturned) {
    SimTargets targets;
    Json target = SimTargets::target("lab", "10.0.0.1");
    Json fault = SimTargets::fault("createDeviceHandle");
    fault["errorCode"] = 17;
    target["faults"] = Json::array({fault});
    targets.add("a", target);
    EXPECT_EQ(open("lab"), 17);
    EXPECT_EQ(device_, nullptr);
    EXPECT_EQ(pool_.getErrorCount(), 1u);
}

}  // namespace
