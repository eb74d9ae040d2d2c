// Device search of the simulated target: the targets folder and broker.json decide the service
// state, and the search calls check their arguments and handles.
#include <cstring>
#include <filesystem>
#include "sim_test.h"

TEST_F(SimTest, TargetsFolderAndBrokerJsonDecideTheServiceState) {
    const std::string file = sim_.temp().write("file", "x");
    const std::string broker = sim_.path() + "/broker.json";
    struct Case {
        const char* targets;  // VK_SIM_TARGETS, "-" unset; null: the targets folder
        const char* broker;   // broker.json; null: none, "/": a folder
        int32_t result;
        uint32_t code;
        std::string says;
    };
    const uint32_t unreachable = vksim::kErrServiceUnreachable;
    const Case cases[] = {
        {"-", nullptr, 33, unreachable, "VK_SIM_TARGETS is not set"},
        {"", nullptr, 33, unreachable, "VK_SIM_TARGETS is empty"},
        {"/nowhere", nullptr, 33, unreachable, "/nowhere does not exist"},
        {file.c_str(), nullptr, 33, unreachable, file + " is a file, not a folder"},
        {nullptr, R"({"outdated": true})", 46, vksim::kErrServiceOutdated, ""},
        {nullptr, R"({"outdated": false})", 0, 0, ""},
        {nullptr, "{}", 0, 0, ""},
        {nullptr, R"({"outdated": "yes"})", 33, unreachable, ": outdated: expected true or false"},
        {nullptr, R"({"outdated": )", 33, unreachable, ": line 1, column 14: syntax error"},
        {nullptr, "/", 33, unreachable, broker + ": is a folder, not a regular file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        pool_.reset();
        std::filesystem::remove_all(broker);
        if (c.broker != nullptr && c.broker[0] == '/') {
            std::filesystem::create_directory(broker);
        } else if (c.broker != nullptr) {
            sim_.temp().write("targets/broker.json", c.broker);
        }
        ::setenv("VK_SIM_TARGETS", c.targets ? c.targets : sim_.path().c_str(), 1);
        if (c.targets != nullptr && c.targets[0] == '-') {
            ::unsetenv("VK_SIM_TARGETS");
        }
        VkTFilterHandle filter = nullptr;
        VkLnk_createFilter(pool_, filter, 1);
        VkLnk_applyFilter(pool_, filter);
        VkSDeviceInformation found[2];
        uint32_t count = 2;
        EXPECT_EQ(VkLnk_getDeviceList(pool_, filter, found, count), c.result);
        EXPECT_EQ(count, c.result == 0 ? 1u : 2u);
        EXPECT_NE(lastText(pool_).find(c.says), std::string::npos) << lastText(pool_);
        EXPECT_EQ(lastCode(pool_), c.code);
        VkLnk_deleteFilter(pool_, filter);
    }
}

TEST_F(SimTest, SearchCallsCheckTheirArgumentsAndHandles) {
    VkSDeviceInformation garbage;
    std::memset(garbage.bytes, 0x55, sizeof garbage.bytes);
    VkTDeviceHandle device = &garbage;
    EXPECT_NE(VkLnk_createDeviceHandle(pool_, device, garbage), 0);
    EXPECT_EQ(device, nullptr);
    VkTFilterHandle filter = nullptr;
    ASSERT_EQ(VkLnk_createFilter(pool_, filter, 1), 0);
    const uint32_t one = 1;
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, VkLnk_FILTER_PARAM_8, 4, &one), 0);
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, VkLnk_FILTER_PARAM_9, 4, &one), 0);
    const std::pair<uint32_t, uint32_t> badParameters[] = {{VkLnk_FILTER_IPV4, 2}, {7, 4}, {1, 0}};
    for (const auto& [parameter, size] : badParameters) {
        EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, parameter, size, size ? &one : nullptr),
                  vksim::kResultInvalidArgument);
    }
    uint32_t count = 0;
    EXPECT_EQ(VkLnk_getDeviceList(pool_, filter, nullptr, count), vksim::kResultInvalidArgument)
        << "a filter must be applied first";
    EXPECT_EQ(VkLnk_deleteFilter(pool_, filter), 0);
    EXPECT_EQ(VkLnk_deleteFilter(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(VkLnk_applyFilter(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(VkLnk_deleteDeviceHandle(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(pool_.getErrorCount(), 8u);
}
