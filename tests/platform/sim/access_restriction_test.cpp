#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

#include "child_holder.h"
#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

constexpr uint32_t kExclusive = 0x10003;

class AccessRestrictionTest : public SimTest {
  protected:
    void SetUp() override {
        addTarget("t1", standardTarget());
        device_ = openDevice();
        ASSERT_NE(device_, nullptr);
    }
    void TearDown() override { VkLnk_deleteDeviceHandle(pool_, device_); }

    VkTAccessRestrictionHandle restrict(uint32_t level, int32_t& result) {
        VkTAccessRestrictionHandle handle = nullptr;
        EXPECT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, handle), 0);
        result = VkLnk_requestAccessRestrictionLevel(pool_, handle, 0, level);
        return handle;
    }

    VkTDeviceHandle device_ = nullptr;
};

TEST_F(AccessRestrictionTest, ExclusiveLevelRefusesASecondHolderInTheSameProcess) {
    int32_t result = -1;
    VkTAccessRestrictionHandle first = restrict(kExclusive, result);
    EXPECT_EQ(result, 0);
    VkTAccessRestrictionHandle second = restrict(kExclusive, result);
    EXPECT_EQ(result, vksim::kResultAccessDenied);
    EXPECT_EQ(lastErrorText(pool_),
              "Access to target \"lab1\" is refused: another host tool holds an access "
              "restriction on it.");
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, first), 0);
    EXPECT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, second, 0, kExclusive), 0);
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, second), 0);
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, second), vksim::kResultInvalidHandle);
}

TEST_F(AccessRestrictionTest, OtherLevelsAreSharedButKeepTheExclusiveOut) {
    int32_t result = -1;
    VkTAccessRestrictionHandle a = restrict(1, result);
    EXPECT_EQ(result, 0);
    VkTAccessRestrictionHandle b = restrict(2, result);
    EXPECT_EQ(result, 0);
    VkTAccessRestrictionHandle c = restrict(kExclusive, result);
    EXPECT_EQ(result, vksim::kResultAccessDenied);
    EXPECT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, a, 0, 0), 0) << "level 0 gives it up";
    EXPECT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, b, 0, 0), 0);
    EXPECT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, c, 0, kExclusive), 0);
    for (VkTAccessRestrictionHandle handle : {a, b, c}) {
        EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, handle), 0);
    }
}

TEST_F(AccessRestrictionTest, HeldByAnotherProcessUntilThatProcessIsKilled) {
    ChildHolder child(targets(), "lab1", "restrict");
    ASSERT_EQ(child.answer(), "held");
    int32_t result = -1;
    VkTAccessRestrictionHandle mine = restrict(kExclusive, result);
    EXPECT_EQ(result, vksim::kResultAccessDenied);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrAccessDenied);
    ASSERT_TRUE(child.kill());
    EXPECT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, mine, 0, kExclusive), 0);
    ChildHolder late(targets(), "lab1", "restrict");
    EXPECT_EQ(late.answer(), "refused") << "now this process holds it";
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, mine), 0);
}

TEST_F(AccessRestrictionTest, FaultsOfTheRestrictionCalls) {
    Json target = standardTarget();
    target["faults"] = Json::parse(R"([
        {"call": "createAccessRestrictionHandle", "times": 1, "errorCode": 7},
        {"call": "requestAccessRestrictionLevel", "times": 1},
        {"call": "deleteAccessRestrictionHandle", "times": 1, "errorCode": 8}])");
    addTarget("t1", target);
    VkTAccessRestrictionHandle handle = nullptr;
    EXPECT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, handle), 7);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(lastErrorCode(pool_), 7u);
    ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, handle), 0);
    EXPECT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, handle, 0, kExclusive),
              vksim::kResultFailed);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrSimulatedFault);
    EXPECT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, handle, 0, kExclusive), 0);
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, handle), 8);
    // The failed delete still released the handle and its hold on the target.
    int32_t result = -1;
    VkTAccessRestrictionHandle again = restrict(kExclusive, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, again), 0);
    EXPECT_EQ(pool_.getErrorCount(), 3u);
}

TEST_F(AccessRestrictionTest, ResetCountsRebootsInTheTargetFile) {
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_EQ(targetJson("t1")["rebootCount"], 2);
    EXPECT_EQ(targetJson("t1")["systemName"], "lab1") << "the rest of the file stays";
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, nullptr, 0), vksim::kResultInvalidHandle);
    Json target = targetJson("t1");
    target["faults"] = Json::parse(R"([{"call": "resetDevice", "errorCode": 300}])");
    addTarget("t1", target);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 300);
    EXPECT_EQ(targetJson("t1")["rebootCount"], 2);
    target["faults"] = Json::array();
    target["rebootCount"] = UINT64_MAX;
    addTarget("t1", target);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_EQ(targetJson("t1")["rebootCount"], UINT64_MAX) << "saturates instead of wrapping";
}

pid_t endedProcess() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    return pid;
}

TEST_F(AccessRestrictionTest, TakingTheStateLockRemovesTemporaryFilesOfEndedProcesses) {
    const std::string stale = targets() + "/t1/target.json.tmp." + std::to_string(endedProcess());
    const std::string live = targets() + "/t1/target.json.tmp." + std::to_string(::getppid());
    writeFile(stale, "{}");
    writeFile(live, "{}");
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_NE(::access(stale.c_str(), F_OK), 0) << "left by a killed run";
    EXPECT_EQ(::access(live.c_str(), F_OK), 0) << "its process may still be saving";
}

// Nothing outside the target's folder is created or written through a symbolic link in the
// place of a lock file (all three are taken alike) or of the temporary state file.
TEST_F(AccessRestrictionTest, RunTimeFilesAreNotOpenedThroughLinks) {
    const std::string outside = temp_.path() + "/outside";
    const std::string lock = targets() + "/t1/state.lock";
    ASSERT_EQ(::symlink(outside.c_str(), lock.c_str()), 0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), vksim::kResultFailed);
    EXPECT_NE(lastErrorText(pool_).find(lock + ": is a symbolic link, not a regular file"),
              std::string::npos)
        << lastErrorText(pool_);
    ::unlink(lock.c_str());
    const std::string temporary = targets() + "/t1/target.json.tmp." + std::to_string(::getpid());
    ASSERT_EQ(::symlink(outside.c_str(), temporary.c_str()), 0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0) << lastErrorText(pool_);
    EXPECT_EQ(targetJson("t1")["rebootCount"], 1);
    EXPECT_NE(::access(outside.c_str(), F_OK), 0) << "created through a link";
}

}  // namespace
}  // namespace simtest
