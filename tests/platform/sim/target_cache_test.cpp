// The simulation reads target.json once and reuses it while the file stays the same: these
// tests change the file in ways that keep its size (and often its modification time, within
// one tick of the file system's clock) and check that the next call sees each change; and two
// threads share one target (run under ThreadSanitizer by the tsan build).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "VkApplMan.h"
#include "sim_test.h"

namespace simtest {
namespace {

// Writes content to path from a child process: in place (same file, same size), or as a new
// file renamed over it. True when the child did so.
bool writeFromAnotherProcess(const std::string& path, const std::string& content, bool inPlace) {
    const std::string written = inPlace ? path : path + ".other";
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool ok =
            fd >= 0 && ::write(fd, content.data(), content.size()) == ssize_t(content.size()) &&
            ::close(fd) == 0 && (inPlace || ::rename(written.c_str(), path.c_str()) == 0);
        ::_exit(ok ? 0 : 1);
    }
    int status = -1;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TargetCacheTest : public SimTest {
  protected:
    void SetUp() override {
        ASSERT_NE(device_ = sim_.open("lab1"), nullptr) << sim_.problem();
        ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, restriction_), 0);
        ASSERT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, restriction_, 0, 0x10003), 0);
    }
    void TearDown() override { VkLnk_deleteAccessRestrictionHandle(pool_, restriction_); }
    // The loaded applications; empty when the call fails.
    std::vector<uint32_t> applications() {
        std::vector<uint32_t> ids(8);
        int32_t count = 8;
        const int32_t result =
            VkApplMan_getApplications(pool_, device_, restriction_, 0, ids.data(), count);
        ids.resize(result == 0 ? size_t(count) : 0);
        return ids;
    }
    static std::string targetText(uint32_t secondApplication) {
        Json target = labTarget();
        target["applications"] = {26, secondApplication};
        return target.dump(2);
    }
    VkTAccessRestrictionHandle restriction_ = nullptr;
};

TEST_F(TargetCacheTest, ChangeOfAnotherProcessIsSeenAtTheNextCall) {
    ASSERT_EQ(applications(), (std::vector<uint32_t>{26, 27}));
    for (uint32_t i = 0; i < 12; ++i) {
        const uint32_t second = 30 + i;  // the same size every time
        if (i < 2) {
            // The first changes come to a file read longer ago than the simulation waits
            // before it trusts a file's times without its bytes.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            ASSERT_FALSE(applications().empty());
        }
        ASSERT_TRUE(writeFromAnotherProcess(file(), targetText(second), i % 2 == 0));
        EXPECT_EQ(applications(), (std::vector<uint32_t>{26, second})) << "change " << i;
    }
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(TargetCacheTest, OwnSavesAreSeenAtOnceAndABrokenFileIsReportedAgain) {
    setFaults(R"([{"call": "getApplications", "times": 2}])");
    EXPECT_TRUE(applications().empty());
    EXPECT_TRUE(applications().empty());
    EXPECT_EQ(applications(), (std::vector<uint32_t>{26, 27}));
    EXPECT_EQ(sim_.read("t1")["faults"][0]["times"], 0);
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, restriction_, 26), 0);
    EXPECT_EQ(applications(), (std::vector<uint32_t>{27}));

    std::string broken = targetText(27);
    broken.replace(broken.find("27"), 2, "2x");  // the same size, no longer JSON
    ASSERT_TRUE(writeFromAnotherProcess(file(), broken, true));
    for (int call = 0; call < 2; ++call) {
        EXPECT_TRUE(applications().empty());
        EXPECT_EQ(lastCode(pool_), vksim::kErrTargetFile);
        EXPECT_NE(lastText(pool_).find(file() + ": line "), std::string::npos) << lastText(pool_);
    }
    ASSERT_TRUE(writeFromAnotherProcess(file(), targetText(27), true));
    EXPECT_EQ(applications(), (std::vector<uint32_t>{26, 27}));
}

TEST_F(TargetCacheTest, TwoThreadsShareTheTargetAndUseEachFaultOnce) {
    constexpr int kScanFaults = 25;
    setFaults(R"([{"call": "scan", "times": )" + std::to_string(kScanFaults) + "}]");
    ASSERT_EQ(manager_->createRootHandleByDeviceHandleList(pool_, &device_, 1, root_), 0);
    std::atomic<int> failed{0};
    std::atomic<int> wrongTrees{0};
    const auto scans = [&] {
        VkCErrorListPool pool;
        for (int i = 0; i < 40; ++i) {
            VkCInventoryItem* tree = nullptr;
            if (manager_->scan(pool, root_, tree) != 0) {
                ++failed;
                continue;
            }
            wrongTrees += tree->getItem(Ids::HCN) == nullptr ? 1 : 0;
            manager_->deleteInventoryTree(tree);
        }
    };
    std::thread first(scans);
    std::thread second(scans);
    first.join();
    second.join();
    EXPECT_EQ(failed, kScanFaults);
    EXPECT_EQ(wrongTrees, 0);
    EXPECT_EQ(sim_.read("t1")["faults"][0]["times"], 0);
}

}  // namespace
}  // namespace simtest
