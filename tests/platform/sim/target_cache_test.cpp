// The simulation reads target.json once and reuses it while the file stays the same: these
// tests change the file in ways that keep its size (and often its modification time, within
// one tick of the file system's clock) and check that the next call sees each change.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "VkNInventoryIDs.h"
#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

constexpr int kChanges = 12;
// Longer than the simulation waits before it trusts a file's times without its bytes.
constexpr auto kSettleTime = std::chrono::milliseconds(150);
constexpr int kScansPerThread = 40;
constexpr int kScanFaults = 25;

// Writes content to path from a child process: in place (same file, same size), or as a new
// file renamed over it. True when the child did so.
bool writeFromAnotherProcess(const std::string& path, const std::string& content, bool inPlace) {
    const std::string temporary = path + ".other";
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string& written = inPlace ? path : temporary;
        const int fd = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool ok =
            fd >= 0 &&
            ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
            ::close(fd) == 0 && (inPlace || ::rename(temporary.c_str(), path.c_str()) == 0);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

class TargetCacheTest : public ApplicationsTest {
  protected:
    // The loaded applications; empty when the call fails.
    std::vector<uint32_t> applications() {
        std::vector<uint32_t> ids;
        list(ids);
        return ids;
    }
    static std::string targetText(uint32_t secondApplication) {
        Json target = standardTarget();
        target["applications"] = {26, secondApplication};
        return target.dump(2);
    }
    std::string file() const { return folder_ + "/target.json"; }
};

TEST_F(TargetCacheTest, ChangeOfAnotherProcessIsSeenAtTheNextCall) {
    ASSERT_EQ(applications(), (std::vector<uint32_t>{26, 27}));
    for (int i = 0; i < kChanges; ++i) {
        const uint32_t second = 30 + static_cast<uint32_t>(i);  // the same size every time
        const bool inPlace = i % 2 == 0;
        if (i < 2) {
            // The first changes come to a file read long after it was written.
            std::this_thread::sleep_for(kSettleTime);
            ASSERT_FALSE(applications().empty());
        }
        ASSERT_TRUE(writeFromAnotherProcess(file(), targetText(second), inPlace));
        EXPECT_EQ(applications(), (std::vector<uint32_t>{26, second}))
            << "change " << i << (inPlace ? " in place" : " by a new file");
    }
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(TargetCacheTest, OwnSavesAreSeenAtOnce) {
    Json target = standardTarget();
    target["faults"] = Json::parse(R"([{"call": "getApplications", "times": 2}])");
    addTarget("t1", target);
    EXPECT_TRUE(applications().empty());
    EXPECT_TRUE(applications().empty());
    EXPECT_EQ(applications(), (std::vector<uint32_t>{26, 27}));
    EXPECT_EQ(targetJson("t1")["faults"][0]["times"], 0);
    EXPECT_EQ(VkApplMan_unloadAppl(pool_, device_, restriction_, 26), 0);
    EXPECT_EQ(applications(), (std::vector<uint32_t>{27}));
}

TEST_F(TargetCacheTest, BrokenFileAfterAGoodOneIsReportedAgain) {
    ASSERT_EQ(applications(), (std::vector<uint32_t>{26, 27}));
    std::string broken = targetText(27);
    broken.replace(broken.find("27"), 2, "2x");  // the same size, no longer JSON
    ASSERT_TRUE(writeFromAnotherProcess(file(), broken, true));
    for (int call = 0; call < 2; ++call) {
        EXPECT_TRUE(applications().empty());
        EXPECT_EQ(lastErrorCode(pool_), vksim::kErrTargetFile);
        const std::string text = lastErrorText(pool_);
        EXPECT_NE(text.find("/t1/target.json: line "), std::string::npos) << text;
    }
    ASSERT_TRUE(writeFromAnotherProcess(file(), targetText(27), true));
    EXPECT_EQ(applications(), (std::vector<uint32_t>{26, 27}));
}

TEST_F(TargetCacheTest, TwoThreadsShareTheTargetAndUseEachFaultOnce) {
    Json target = standardTarget();
    target["faults"] =
        Json::parse(R"([{"call": "scan", "times": )" + std::to_string(kScanFaults) + "}]");
    addTarget("t1", target);
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    VkCInventoryRootHandle* root = nullptr;
    ASSERT_EQ(manager->createRootHandleByDeviceHandleList(pool_, &device_, 1, root), 0);
    std::atomic<int> failed{0};
    std::atomic<int> wrongTrees{0};
    const auto scans = [&] {
        VkCErrorListPool pool;
        for (int i = 0; i < kScansPerThread; ++i) {
            VkCInventoryItem* tree = nullptr;
            if (manager->scan(pool, root, tree) != 0) {
                ++failed;
                continue;
            }
            wrongTrees += tree->getItem(VkNInventoryIDs::HCN) == nullptr ? 1 : 0;
            manager->deleteInventoryTree(tree);
        }
    };
    std::thread first(scans);
    std::thread second(scans);
    first.join();
    second.join();
    EXPECT_EQ(failed, kScanFaults);
    EXPECT_EQ(wrongTrees, 0);
    EXPECT_EQ(targetJson("t1")["faults"][0]["times"], 0);
    EXPECT_EQ(manager->deleteRootHandle(pool_, root), 0);
}

}  // namespace
}  // namespace simtest
