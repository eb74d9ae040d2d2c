#include <cstdlib>
#include <cstring>

#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

class DeviceSearchTest : public SimTest {};

TEST_F(DeviceSearchTest, UnsetTargetsFolderAnswers33) {
    ::unsetenv("VK_SIM_TARGETS");
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(0, nullptr, 0, found), VkLnk_ERR_SERVICE_UNREACHABLE);
    EXPECT_NE(lastErrorText(pool_).find("VK_SIM_TARGETS"), std::string::npos);
}

TEST_F(DeviceSearchTest, MissingTargetsFolderAnswers33) {
    ::setenv("VK_SIM_TARGETS", (temp_.path() + "/nowhere").c_str(), 1);
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(0, nullptr, 0, found), VkLnk_ERR_SERVICE_UNREACHABLE);
    EXPECT_NE(lastErrorText(pool_).find("nowhere"), std::string::npos);
}

TEST_F(DeviceSearchTest, TargetsFolderIsReadAtEveryCall) {
    addTarget("t1", standardTarget());
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(0, nullptr, 0, found), 0);
    EXPECT_EQ(found.size(), 1u);
    ::setenv("VK_SIM_TARGETS", (temp_.path() + "/other").c_str(), 1);
    EXPECT_EQ(searchDevices(0, nullptr, 0, found), VkLnk_ERR_SERVICE_UNREACHABLE);
}

struct BrokerCase {
    const char* content;
    int32_t result;
};

void PrintTo(const BrokerCase& c, std::ostream* os) {
    *os << c.content;
}

class BrokerTest : public SimTest, public ::testing::WithParamInterface<BrokerCase> {};

TEST_P(BrokerTest, BrokerFileDecidesTheServiceState) {
    addTarget("t1", standardTarget());
    writeFile(targets() + "/broker.json", GetParam().content);
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(0, nullptr, 0, found), GetParam().result);
    if (GetParam().result != 0) {
        EXPECT_EQ(pool_.getErrorCount(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Broker, BrokerTest,
                         ::testing::Values(BrokerCase{R"({"outdated": true})", 46},
                                           BrokerCase{R"({"outdated": false})", 0},
                                           BrokerCase{R"({})", 0},
                                           BrokerCase{R"({"outdated": "yes"})", 33},
                                           BrokerCase{R"({"outdated": )", 33}));

TEST_F(DeviceSearchTest, TooSmallBufferAnswers21WithTheCount) {
    addTarget("a", standardTarget("same"));
    addTarget("b", standardTarget("same", "10.0.0.2"));
    VkTFilterHandle filter = nullptr;
    ASSERT_EQ(VkLnk_createFilter(pool_, filter, 1), 0);
    ASSERT_EQ(VkLnk_applyFilter(pool_, filter), 0);
    VkSDeviceInformation one;
    uint32_t count = 1;
    EXPECT_EQ(VkLnk_getDeviceList(pool_, filter, &one, count), VkLnk_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrBufferTooSmall);
    VkSDeviceInformation two[2];
    EXPECT_EQ(VkLnk_getDeviceList(pool_, filter, two, count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(VkLnk_deleteFilter(pool_, filter), 0);
}

TEST_F(DeviceSearchTest, FiltersBySystemNameAndAddress) {
    addTarget("a", standardTarget("alpha", "10.0.0.1"));
    addTarget("b", standardTarget("beta", "10.0.0.2"));
    addTarget("c", standardTarget("beta", "10.0.0.3"));
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(VkLnk_FILTER_SYSTEM_NAME, "alpha", 6, found), 0);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(searchDevices(VkLnk_FILTER_SYSTEM_NAME, "beta", 5, found), 0);
    EXPECT_EQ(found.size(), 2u) << "two targets with one name are two devices";
    EXPECT_EQ(searchDevices(VkLnk_FILTER_SYSTEM_NAME, "Alpha", 6, found), 0);
    EXPECT_EQ(found.size(), 0u);
    const uint32_t address = (10u << 24) | 3u;
    EXPECT_EQ(searchDevices(VkLnk_FILTER_IPV4, &address, 4, found), 0);
    ASSERT_EQ(found.size(), 1u);
    VkTDeviceHandle device = nullptr;
    ASSERT_EQ(VkLnk_createDeviceHandle(pool_, device, found[0]), 0);
    EXPECT_EQ(VkLnk_deleteDeviceHandle(pool_, device), 0);
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(DeviceSearchTest, BrokenTargetIsLeftOutWithAWarning) {
    addTarget("good", standardTarget("good"));
    addTargetText("bad", "{ \"systemName\": ");
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(0, nullptr, 0, found), 0);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(pool_.getErrorCount(), 0u);
    ASSERT_EQ(pool_.getEntryCount(), 1u);
    EXPECT_NE(lastErrorText(pool_).find("bad/target.json: line 1"), std::string::npos)
        << lastErrorText(pool_);
}

struct SearchFault {
    const char* fault;
    int32_t result;
    uint32_t code;
};

void PrintTo(const SearchFault& c, std::ostream* os) {
    *os << c.fault;
}

class DeviceListFaultTest : public SimTest, public ::testing::WithParamInterface<SearchFault> {};

TEST_P(DeviceListFaultTest, FaultGivesItsResultCode) {
    Json target = standardTarget();
    target["faults"] = Json::array({Json::parse(GetParam().fault)});
    addTarget("t1", target);
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(VkLnk_FILTER_SYSTEM_NAME, "lab1", 5, found), GetParam().result);
    EXPECT_EQ(lastErrorCode(pool_), GetParam().code);
    // A target that the filter does not let through fires no fault.
    pool_.reset();
    EXPECT_EQ(searchDevices(VkLnk_FILTER_SYSTEM_NAME, "other", 6, found), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DeviceListFaultTest,
    ::testing::Values(SearchFault{R"({"call": "getDeviceList", "errorCode": 46})", 46, 46},
                      SearchFault{R"({"call": "getDeviceList", "errorCode": 33})", 33, 33},
                      SearchFault{R"({"call": "getDeviceList"})", 1, vksim::kErrSimulatedFault}));

TEST_F(DeviceSearchTest, CreateDeviceHandleRefusesForeignRecordsAndFaults) {
    VkSDeviceInformation garbage;
    std::memset(garbage.bytes, 0x55, sizeof garbage.bytes);
    VkTDeviceHandle device = reinterpret_cast<VkTDeviceHandle>(1);
    EXPECT_NE(VkLnk_createDeviceHandle(pool_, device, garbage), 0);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(pool_.getErrorCount(), 1u);

    Json target = standardTarget();
    target["faults"] = Json::parse(R"([{"call": "createDeviceHandle", "times": 1}])");
    addTarget("t1", target);
    std::vector<VkSDeviceInformation> found;
    ASSERT_EQ(searchDevices(0, nullptr, 0, found), 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(VkLnk_createDeviceHandle(pool_, device, found[0]), 1);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrSimulatedFault);
    EXPECT_NE(lastErrorText(pool_).find("faults[0]"), std::string::npos);
    EXPECT_EQ(targetJson("t1")["faults"][0]["times"], 0) << "the use is counted in the file";
    EXPECT_EQ(VkLnk_createDeviceHandle(pool_, device, found[0]), 0);
    EXPECT_EQ(VkLnk_deleteDeviceHandle(pool_, device), 0);
}

TEST_F(DeviceSearchTest, FilterCallsCheckTheirArguments) {
    VkTFilterHandle filter = nullptr;
    ASSERT_EQ(VkLnk_createFilter(pool_, filter, 1), 0);
    const uint32_t one = 1;
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, VkLnk_FILTER_PARAM_8, 4, &one), 0);
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, VkLnk_FILTER_PARAM_9, 4, &one), 0);
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, VkLnk_FILTER_IPV4, 2, &one),
              vksim::kResultInvalidArgument);
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, 7, 4, &one), vksim::kResultInvalidArgument);
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, 1, 0, nullptr),
              vksim::kResultInvalidArgument);
    uint32_t count = 0;
    EXPECT_EQ(VkLnk_getDeviceList(pool_, filter, nullptr, count), vksim::kResultInvalidArgument)
        << "a filter must be applied first";
    EXPECT_EQ(VkLnk_deleteFilter(pool_, filter), 0);
    EXPECT_EQ(VkLnk_deleteFilter(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(VkLnk_applyFilter(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(VkLnk_deleteDeviceHandle(pool_, filter), vksim::kResultInvalidHandle)
        << "a filter is no device";
    EXPECT_EQ(pool_.getErrorCount(), 7u);
}

TEST_F(DeviceSearchTest, DeleteDeviceHandleFaultStillReleases) {
    Json target = standardTarget();
    target["faults"] = Json::parse(R"([{"call": "deleteDeviceHandle", "errorCode": 9}])");
    addTarget("t1", target);
    VkTDeviceHandle device = openDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(VkLnk_deleteDeviceHandle(pool_, device), 9);
    EXPECT_EQ(VkLnk_deleteDeviceHandle(pool_, device), vksim::kResultInvalidHandle);
}

}  // namespace
}  // namespace simtest
