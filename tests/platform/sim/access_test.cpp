// Access restrictions, the application manager and resets of the simulated target; the run-time
// files (state lock, temporary state file) every change of target.json goes through; and the lock
// and the exclusive restriction held across processes: another process (sim_holder) keeps them
// until it is killed or ends, and then this one gets them.
#include <signal.h>
#include <unistd.h>
#include <functional>
#include "VkApplMan.h"
#include "sim_test.h"
#include "support/process_runner.h"

class AccessTest : public SimTest {
  protected:
    void SetUp() override { ASSERT_NE(device_ = sim_.open("lab1"), nullptr) << sim_.problem(); }
    // A new restriction handle asking for level (none with 0); result gets the request's.
    VkTAccessRestrictionHandle restrict(uint32_t level, int32_t& result) {
        VkTAccessRestrictionHandle handle = nullptr;
        EXPECT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, handle), 0);
        result = level ? VkLnk_requestAccessRestrictionLevel(pool_, handle, 0, level) : 0;
        return handle;
    }
    // The loaded applications, asking for at most capacity; the call's result.
    int32_t list(VkTAccessRestrictionHandle restriction, int32_t capacity = 8) {
        ids_.assign(8, 0);
        count_ = capacity;
        const int32_t result =
            VkApplMan_getApplications(pool_, device_, restriction, 0, ids_.data(), count_);
        ids_.resize(result == 0 ? size_t(count_) : 0);
        return result;
    }
    std::vector<uint32_t> ids_;
    int32_t count_ = 0;
};

TEST_F(AccessTest, ApplicationsAreListedAndUnloadedUnderAGrantedRestriction) {
    int32_t result = -1;
    VkTAccessRestrictionHandle granted = restrict(0x10003, result);
    VkTAccessRestrictionHandle idle = restrict(0x10003, result);
    EXPECT_TRUE(refused(result, vksim::kErrAccessDenied)) << "the exclusive level has one holder";
    ASSERT_EQ(list(granted), 0);
    EXPECT_EQ(ids_, (std::vector<uint32_t>{26, 27}));
    EXPECT_TRUE(refused(list(granted, 1), vksim::kErrBufferTooSmall));
    EXPECT_EQ(count_, 2);
    EXPECT_TRUE(refused(list(idle), vksim::kErrAccessDenied));
    EXPECT_TRUE(
        refused(VkApplMan_unloadAppl(pool_, device_, granted, 0x99), vksim::kErrNoApplication));
    EXPECT_TRUE(
        refused(VkApplMan_unloadAppl(pool_, device_, nullptr, 26), vksim::kErrInvalidHandle));
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, granted, 26), 0);
    EXPECT_EQ(sim_.read("t1")["applications"], Json::array({27}));
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, granted, 27), 0);
    // Faults: the listing's code as its result; an unload fault matching 27 in any number form.
    setFaults(R"([{"call": "getApplications", "errorCode": 4660},
                  {"call": "unloadAppl", "match": "0x1B"}])");
    EXPECT_EQ(list(granted), 4660);
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, granted, 26), 0);
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, granted, 27), vksim::kResultFailed);
    EXPECT_EQ(sim_.read("t1")["applications"], Json::array({27}));
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, granted), 0);
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, idle), 0);
}

// Resets are counted (saturating); taking the state lock removes the temporary files of ended
// processes only; no run-time file is created or written through a link put in its place.
TEST_F(AccessTest, ResetIsCountedThroughTheRunTimeFilesOnly) {
    Json doc = labTarget();
    doc["rebootCount"] = UINT64_MAX - 1;
    sim_.add("t1", doc);
    const std::string temporary = "targets/t1/target.json.tmp.";
    const std::string stale = sim_.temp().write(temporary + "99999999", "");  // above any pid
    const std::string live = sim_.temp().write(temporary + std::to_string(::getppid()), "");
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_EQ(sim_.read("t1")["rebootCount"], UINT64_MAX) << "saturates instead of wrapping";
    EXPECT_NE(::access(stale.c_str(), F_OK), 0) << "left by a killed run";
    EXPECT_EQ(::access(live.c_str(), F_OK), 0) << "its process may still be saving";
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, nullptr, 0), vksim::kResultInvalidHandle);

    setFaults(R"([{"call": "resetDevice", "times": 1, "errorCode": 300}])");
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 300);
    const std::string outside = sim_.temp().file("outside");
    const std::string lock = folder_ + "/state.lock";
    ::unlink(lock.c_str());
    ASSERT_EQ(::symlink(outside.c_str(), lock.c_str()), 0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), vksim::kResultFailed);
    EXPECT_NE(lastText(pool_).find(lock + ": is a symbolic link"), std::string::npos);
    ::unlink(lock.c_str());
    ASSERT_EQ(::symlink(outside.c_str(),
                        sim_.temp().file(temporary + std::to_string(::getpid())).c_str()),
              0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0) << lastText(pool_);
    EXPECT_EQ(sim_.read("t1")["rebootCount"], 1) << "once, after the fault";
    EXPECT_NE(::access(outside.c_str(), F_OK), 0) << "created through a link";
}

TEST_F(SimTest, LockAndRestrictionHeldByAnotherProcessAreFreedWhenItEnds) {
    open(false);
    VkTAccessRestrictionHandle restriction = nullptr;
    ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, restriction), 0);
    // What the holder takes, how this process takes it (level 0 or unlock: gives it back), and
    // the code of this process's refusal.
    const std::tuple<const char*, std::function<int32_t(bool)>, uint32_t> cases[] = {
        {"lock",
         [&](bool take) {
             return take ? manager_->lock(pool_, root_, hcn(), 0x10003, lock_)
                         : manager_->unlock(pool_, lock_);
         },
         vksim::kErrTargetLocked},
        {"restrict",
         [&](bool take) {
             return VkLnk_requestAccessRestrictionLevel(pool_, restriction, 0, take ? 0x10003 : 0);
         },
         vksim::kErrAccessDenied}};
    const std::string work = sim_.temp().path();
    for (const auto& [what, take, code] : cases) {
        SCOPED_TRACE(what);
        const RunningProcess holder = startProcess(VK_SIM_HOLDER, {"lab1", what}, work);
        ASSERT_TRUE(waitForOutput(holder, "held"));
        EXPECT_TRUE(refused(take(true), code));
        ::kill(holder.pid, SIGKILL);
        int signal = 0;
        finishProcess(holder, 60, &signal);
        EXPECT_EQ(signal, SIGKILL);
        ASSERT_EQ(take(true), 0) << lastText(pool_);
        EXPECT_EQ(runProcess(VK_SIM_HOLDER, {"lab1", what}, work).out, "refused\n");
        EXPECT_EQ(take(false), 0);
        const ProcessResult ending = runProcess(VK_SIM_HOLDER, {"lab1", what, "exit"}, work);
        EXPECT_EQ(ending.out + std::to_string(ending.status), "held\n0");
        ASSERT_EQ(take(true), 0) << "ending without giving it back frees it";
        EXPECT_EQ(take(false), 0);
    }
    lock_ = nullptr;
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, restriction), 0);
}
