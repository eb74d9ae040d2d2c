#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

class ApplicationManagerTest : public ApplicationsTest {
  protected:
    void addFaults(const char* faults) {
        Json target = standardTarget();
        target["faults"] = Json::parse(faults);
        addTarget("t1", target);
    }
};

TEST_F(ApplicationManagerTest, ListsAndUnloadsApplications) {
    std::vector<uint32_t> ids;
    ASSERT_EQ(list(ids), 0);
    EXPECT_EQ(ids, (std::vector<uint32_t>{26, 27}));
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, restriction_, 26), 0);
    EXPECT_EQ(targetJson("t1")["applications"], Json::parse("[27]"));
    ASSERT_EQ(list(ids), 0);
    EXPECT_EQ(ids, (std::vector<uint32_t>{27}));
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, restriction_, 27), 0);
    ASSERT_EQ(list(ids), 0);
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(ApplicationManagerTest, UnloadingAnUnknownApplicationFails) {
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, restriction_, 0x99), vksim::kResultFailed);
    EXPECT_EQ(lastErrorText(pool_), "Application 0x99 is not loaded on target \"lab1\".");
    EXPECT_EQ(targetJson("t1")["applications"], Json::parse("[26, 27]"));
}

TEST_F(ApplicationManagerTest, TooLittleRoomAnswers21WithTheCount) {
    std::vector<uint32_t> ids;
    EXPECT_EQ(list(ids, 1), vksim::kResultBufferTooSmall);
    EXPECT_EQ(lastCount_, 2);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrBufferTooSmall);
}

TEST_F(ApplicationManagerTest, NeedsAGrantedRestrictionOfTheSameTarget) {
    VkTAccessRestrictionHandle idle = nullptr;
    ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, idle), 0);
    int32_t count = 255;
    uint32_t ids[255];
    EXPECT_NE(VkApplMan_getApplications(pool_, device_, idle, 0, ids, count), 0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrAccessDenied);
    EXPECT_NE(VkApplMan_unloadAppl(pool_, device_, nullptr, 26), 0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrInvalidHandle);
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, idle), 0);
    EXPECT_EQ(targetJson("t1")["applications"].size(), 2u);
}

TEST_F(ApplicationManagerTest, GetApplicationsFault) {
    addFaults(R"([{"call": "getApplications", "errorCode": 4660}])");
    std::vector<uint32_t> ids;
    EXPECT_EQ(list(ids), 4660);
    EXPECT_EQ(lastErrorCode(pool_), 4660u);
}

TEST_F(ApplicationManagerTest, UnloadFaultMatchesTheIdentifierInAnyNumberForm) {
    addFaults(R"([{"call": "unloadAppl", "match": "0x1B"}])");
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, restriction_, 26), 0);
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, restriction_, 27), vksim::kResultFailed);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrSimulatedFault);
    EXPECT_EQ(targetJson("t1")["applications"], Json::parse("[27]"));
}

}  // namespace
}  // namespace simtest
