// The inventory lock and the exclusive access restriction hold across processes: another
// process (sim_holder) keeps them until it is killed or ends, and then this one gets them.
#include <signal.h>
#include <functional>
#include "sim_test.h"
#include "support/process_runner.h"

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
