// The simulation reads target.json once and reuses it while the file stays the same: changes
// that keep its size (and often its modification time, within one tick of the file system's
// clock) are seen at the next call; two threads share one target (run under ThreadSanitizer).
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include "VkApplMan.h"
#include "sim_test.h"

class TargetCacheTest : public SimTest {
  protected:
    void SetUp() override {
        ASSERT_NE(device_ = sim_.open("lab1"), nullptr) << sim_.problem();
        ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, restriction_), 0);
        ASSERT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, restriction_, 0, 0x10003), 0);
    }
    void TearDown() override { VkLnk_deleteAccessRestrictionHandle(pool_, restriction_); }
    // The second loaded application; 0 when the call fails.
    uint32_t second() {
        uint32_t ids[4] = {};
        int32_t count = 4;
        return VkApplMan_getApplications(pool_, device_, restriction_, 0, ids, count) ? 0 : ids[1];
    }
    // Writes target.json with the applications 26 and application (the same size when it has two
    // digits) from another process: in place, or as a new file renamed over it.
    void writeFromAnotherProcess(uint32_t application, bool inPlace, bool broken = false) {
        Json doc = labTarget();
        doc["applications"] = {26, application};
        std::string text = doc.dump(2);
        text = broken ? text.replace(text.find("27"), 2, "2x") : text;
        const std::string written = inPlace ? file() : file() + ".other";
        EXPECT_EXIT((std::ofstream(written) << text << std::flush,
                     std::rename(written.c_str(), file().c_str()), std::exit(0)),
                    ::testing::ExitedWithCode(0), "");
    }
    VkTAccessRestrictionHandle restriction_ = nullptr;
};

TEST_F(TargetCacheTest, ChangeOfAnotherProcessIsSeenAtTheNextCall) {
    ASSERT_EQ(second(), 27u);
    for (uint32_t i = 0; i < 12; ++i) {
        if (i < 2) {
            // The first changes come to a file read longer ago than the simulation waits
            // before it trusts a file's times without its bytes.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            ASSERT_NE(second(), 0u);
        }
        writeFromAnotherProcess(30 + i, i % 2 == 0);
        EXPECT_EQ(second(), 30 + i) << "change " << i;
    }
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(TargetCacheTest, OwnSavesAreSeenAtOnceAndABrokenFileIsReportedAgain) {
    setFaults(R"([{"call": "getApplications", "times": 2}])");
    EXPECT_EQ(second() + second(), 0u);
    EXPECT_EQ(second(), 27u);
    EXPECT_EQ(sim_.read("t1")["faults"][0]["times"], 0);
    writeFromAnotherProcess(27, true, true);  // the same size, no longer JSON
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(second(), 0u);
        EXPECT_TRUE(refused(1, vksim::kErrTargetFile));
        EXPECT_NE(lastText(pool_).find(file() + ": line "), std::string::npos) << lastText(pool_);
    }
    writeFromAnotherProcess(27, true);
    EXPECT_EQ(second(), 27u);
}

TEST_F(TargetCacheTest, TwoThreadsShareTheTargetAndUseEachFaultOnce) {
    setFaults(R"([{"call": "scan", "times": 25}])");
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
    EXPECT_EQ(failed, 25);
    EXPECT_EQ(wrongTrees, 0);
    EXPECT_EQ(sim_.read("t1")["faults"][0]["times"], 0);
}
