#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "child_holder.h"
#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

class DeviceSearchTest : public SimTest {};

TEST_F(DeviceSearchTest, UnreachableServiceSaysWhy) {
    const std::string file = temp_.path() + "/file";
    writeFile(file, "x");
    const std::string nowhere = temp_.path() + "/nowhere";
    const std::pair<const char*, std::string> cases[] = {
        {nullptr, "VK_SIM_TARGETS is not set"},
        {"", "VK_SIM_TARGETS is empty"},
        {nowhere.c_str(), nowhere + " does not exist"},
        {file.c_str(), file + " is a file, not a folder"}};
    for (const auto& [targets, says] : cases) {
        if (targets == nullptr) {
            ::unsetenv("VK_SIM_TARGETS");
        } else {
            ::setenv("VK_SIM_TARGETS", targets, 1);
        }
        std::vector<VkSDeviceInformation> found;
        EXPECT_EQ(searchDevices(0, nullptr, 0, found), VkLnk_ERR_SERVICE_UNREACHABLE);
        EXPECT_EQ(lastErrorCode(pool_), vksim::kErrServiceUnreachable);
        EXPECT_NE(lastErrorText(pool_).find(says), std::string::npos) << lastErrorText(pool_);
    }
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
    const char* content;  // null: broker.json is a folder
    int32_t result;
    const char* says;  // after ".../broker.json: "
};

void PrintTo(const BrokerCase& c, std::ostream* os) {
    *os << (c.content ? c.content : "folder");
}

class BrokerTest : public SimTest, public ::testing::WithParamInterface<BrokerCase> {};

TEST_P(BrokerTest, BrokerFileDecidesTheServiceState) {
    addTarget("t1", standardTarget());
    const std::string broker = targets() + "/broker.json";
    if (GetParam().content == nullptr) {
        ::mkdir(broker.c_str(), 0755);
    } else {
        writeFile(broker, GetParam().content);
    }
    std::vector<VkSDeviceInformation> found;
    EXPECT_EQ(searchDevices(0, nullptr, 0, found), GetParam().result);
    if (GetParam().result == VkLnk_ERR_SERVICE_UNREACHABLE) {
        EXPECT_EQ(pool_.getErrorCount(), 1u);
        EXPECT_NE(lastErrorText(pool_).find(broker + ": " + GetParam().says), std::string::npos)
            << lastErrorText(pool_);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Broker, BrokerTest,
    ::testing::Values(BrokerCase{R"({"outdated": true})", 46, ""},
                      BrokerCase{R"({"outdated": false})", 0, ""}, BrokerCase{R"({})", 0, ""},
                      BrokerCase{R"({"outdated": "yes"})", 33, "outdated: expected true or false"},
                      BrokerCase{R"({"outdated": )", 33, "line 1, column 14: syntax error"},
                      BrokerCase{nullptr, 33, "is a folder, not a regular file"}));

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
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrAmbiguousTarget);
    EXPECT_EQ(lastErrorText(pool_),
              "The system name \"beta\" is ambiguous: 2 simulated targets "
              "have it (" +
                  targets() + "/b, " + targets() + "/c).");
    pool_.reset();
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

struct BrokenTarget {
    const char* name;
    std::function<void(const std::string& file)> spoil;
    const char* says;  // after ".../bad/target.json: "
};

void PrintTo(const BrokenTarget& c, std::ostream* os) {
    *os << c.name;
}

class BrokenTargetTest : public SimTest, public ::testing::WithParamInterface<BrokenTarget> {};

// The search reads every target, so a broken one must neither stop nor hang it.
TEST_P(BrokenTargetTest, IsLeftOutWithAWarning) {
    addTarget("good", standardTarget("good"));
    const std::string file = addTarget("bad", standardTarget("bad")) + "/target.json";
    ::unlink(file.c_str());
    GetParam().spoil(file);
    const std::string outcome = runBounded([this] {
        std::vector<VkSDeviceInformation> found;
        const int32_t result = searchDevices(0, nullptr, 0, found);
        return std::to_string(result) + " " + std::to_string(found.size()) + " " +
               std::to_string(pool_.getErrorCount()) + " " + lastErrorText(pool_);
    });
    EXPECT_EQ(outcome, "0 1 0 Simulated target left out: " + file + ": " + GetParam().says);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, BrokenTargetTest,
    ::testing::Values(
        BrokenTarget{"Syntax", [](const std::string& f) { writeFile(f, "{ \"systemName\": "); },
                     "line 1, column 17: syntax error while parsing value - unexpected end of "
                     "input; expected '[', '{', or a literal"},
        BrokenTarget{"Folder", [](const std::string& f) { ::mkdir(f.c_str(), 0755); },
                     "is a folder, not a regular file"},
        BrokenTarget{"Fifo", [](const std::string& f) { ::mkfifo(f.c_str(), 0644); },
                     "is a FIFO, not a regular file"},
        BrokenTarget{"DeepArrays",
                     [](const std::string& f) {
                         writeFile(f, std::string(100000, '[') + std::string(100000, ']'));
                     },
                     "line 1, column 257: nesting deeper than 256 levels"}),
    [](const auto& info) { return std::string(info.param.name); });

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
