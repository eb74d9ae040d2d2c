// The inventory lock and the exclusive access restriction hold across processes: another
// process (sim_holder) keeps them until it is killed or ends, and then this one gets them.
#include <signal.h>

#include <functional>

#include "sim_test.h"
#include "support/process_runner.h"

namespace simtest {
namespace {

TEST_F(SimTest, LockAndRestrictionHeldByAnotherProcessAreFreedWhenItEnds) {
    open(false);
    VkTAccessRestrictionHandle restriction = nullptr;
    ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, restriction), 0);
    struct Case {
        const char* what;
        std::function<int32_t()> take;  // by this process
        std::function<void()> release;
        uint32_t refused;  // the code of this process's refusal
    };
    const Case cases[] = {
        {"lock", [&] { return manager_->lock(pool_, root_, hcn(), 0x10003, lock_); },
         [&] { manager_->unlock(pool_, lock_); }, vksim::kErrTargetLocked},
        {"restrict",
         [&] { return VkLnk_requestAccessRestrictionLevel(pool_, restriction, 0, 0x10003); },
         [&] { VkLnk_requestAccessRestrictionLevel(pool_, restriction, 0, 0); },
         vksim::kErrAccessDenied}};
    const std::string work = sim_.temp().path();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunningProcess holder = startProcess(VK_SIM_HOLDER, {"lab1", c.what}, work);
        ASSERT_TRUE(waitForOutput(holder, "held"));
        EXPECT_NE(c.take(), 0);
        EXPECT_EQ(lastCode(pool_), c.refused);
        ::kill(holder.pid, SIGKILL);
        int signal = 0;
        finishProcess(holder, 60, &signal);
        EXPECT_EQ(signal, SIGKILL);
        ASSERT_EQ(c.take(), 0) << lastText(pool_);
        EXPECT_EQ(runProcess(VK_SIM_HOLDER, {"lab1", c.what}, work).out, "refused\n");
        c.release();
        const ProcessResult ending = runProcess(VK_SIM_HOLDER, {"lab1", c.what, "exit"}, work);
        EXPECT_EQ(ending.out, "held\n");
        EXPECT_EQ(ending.status, 0);
        ASSERT_EQ(c.take(), 0) << "ending without giving it back frees it";
        c.release();
    }
    lock_ = nullptr;
    EXPECT_EQ(VkLnk_deleteAccessRestrictionHandle(pool_, restriction), 0);
}

}  // namespace
}  // namespace simtest
