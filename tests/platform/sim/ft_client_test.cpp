// The file-transfer client of the simulated target: copies, renames and folders on the CN drive
// (cfdrive), nothing reached outside it or through a link, only regular files copied, and the
// faults of these calls.
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include "sim_test.h"
#include "utf8_conversion.h"

constexpr char kDrive[] = "/mnt/cn/cfdrive";

class FtClientTest : public SimTest {
  protected:
    void SetUp() override {
        ASSERT_NE(device_ = sim_.open("lab1"), nullptr) << sim_.problem();
        ASSERT_EQ(VkLnk_createFTClientHandle(pool_, device_, client_), 0);
    }
    void TearDown() override { VkLnk_deleteFTClientHandle(pool_, client_); }
    int64_t put(const char* folder, const char* name, const std::string& local = "") {
        return VkLnk_putFileU(pool_, nullptr, client_,
                              utf8ToWide(local.empty() ? local_ : local).c_str(), folder, name,
                              nullptr, nullptr);
    }
    int64_t get(const char* folder, const char* name, VkTFTProgressFunction progress = nullptr,
                void* context = nullptr) {
        return VkLnk_getFileU(pool_, nullptr, client_, folder, name, utf8ToWide(fetched_).c_str(),
                              progress, context);
    }
    int32_t rename(const char* folder, const char* from, const char* to) {
        return VkLnk_renameFile(pool_, nullptr, client_, folder, from, to);
    }
    int32_t makeDir(const char* name) {
        return VkLnk_makeDir(pool_, nullptr, client_, kDrive, name);
    }

    VkTFTClientHandle client_ = nullptr;
    std::string local_ = sim_.temp().write("local.bin", "bus fpga bits");
    std::string fetched_ = sim_.temp().file("fetched");
};

TEST_F(FtClientTest, PutRenameGetAndMakeDirOnlyWithinTheDrive) {
    EXPECT_TRUE(refused(put("/mnt/cn/cfdrive/fpga/io", "x.bit"), vksim::kErrRemotePath));
    // One level at a time, not an existing one, not climbing out.
    std::string made;
    for (const char* name : {"fpga/io", "fpga", "fpga/io", "fpga", "", "a/../../escaped"}) {
        made += makeDir(name) == 0 ? "+" : "-";
    }
    EXPECT_EQ(made, "-++---");
    EXPECT_EQ(lastCode(pool_), vksim::kErrRemotePath);
    EXPECT_EQ(put(kDrive, "_TEMP001.TMP"), 13);
    EXPECT_EQ(rename("/mnt/cn/cfdrive/", "_TEMP001.TMP", "fpga/io/bus.bit"), 0);
    EXPECT_TRUE(refused(rename(kDrive, "fpga/io/bus.bit", "fpga/../../x"), vksim::kErrRemotePath));
    EXPECT_EQ(get("/mnt/cn/cfdrive/fpga/io", "bus.bit"), 13);
    EXPECT_EQ(sim_.temp().read("fetched"), "bus fpga bits");
    EXPECT_TRUE(refused(get(kDrive, "absent.bit"), vksim::kErrRemoteFile));
    EXPECT_LT(rename(kDrive, "absent", "b"), 0);
    EXPECT_TRUE(refused(put(kDrive, "x", sim_.temp().file("absent")), vksim::kErrHostFile));
    // Nothing outside the drive is reached, nor through a link.
    sim_.temp().write("outside.txt", "keep");
    ASSERT_EQ(::symlink(sim_.temp().path().c_str(), sim_.cfdriveFile("t1", "link").c_str()), 0);
    ASSERT_EQ(::symlink(file().c_str(), sim_.cfdriveFile("t1", "tj").c_str()), 0);
    std::istringstream escapes(
        "/mnt/cn/cfdrive/.. target.json /mnt/cn/cfdrive/../../.. outside.txt "
        "/mnt/cn/cfdrive/a/../.. target.json /etc passwd /mnt/cn cfdrive mnt/cn/cfdrive x "
        "/mnt/cn/cfdrive .. /mnt/cn/cfdrive ../target.json /mnt/cn/cfdrive/link outside.txt");
    for (std::string folder, name; escapes >> folder >> name;) {
        SCOPED_TRACE(folder + " + " + name);
        EXPECT_TRUE(refused(put(folder.c_str(), name.c_str()), vksim::kErrRemotePath));
        EXPECT_LT(get(folder.c_str(), name.c_str()), 0);
        EXPECT_LT(rename(folder.c_str(), name.c_str(), "z"), 0);
    }
    EXPECT_LT(std::max(put(kDrive, "tj"), get(kDrive, "tj")), 0);
    EXPECT_NE(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive/link", "d"), 0);
    EXPECT_EQ(sim_.temp().read("outside.txt"), "keep");
    EXPECT_EQ(sim_.read("t1"), labTarget());
    EXPECT_EQ(::access(sim_.temp().file("d").c_str(), F_OK), -1);
}

TEST_F(FtClientTest, FaultsOfTheClientCalls) {
    setFaults(R"([{"call": "putFileU", "shortWrite": true, "match": "short.bit"},
        {"call": "getFileU", "match": "a.bit", "errorCode": 1},
        {"call": "putFileU", "match": "/mnt/cn/cfdrive/b.bit", "errorCode": 2},
        {"call": "makeDir", "match": "newdir", "errorCode": 3},
        {"call": "renameFile", "match": "c.bit", "errorCode": 4},
        {"call": "createFTClientHandle", "times": 1, "errorCode": 5},
        {"call": "deleteFTClientHandle", "times": 1, "errorCode": 6}])");
    EXPECT_EQ(put(kDrive, "short.bit"), 6) << "half the bytes without an error";
    EXPECT_EQ(sim_.temp().read("targets/t1/cfdrive/short.bit"), "bus fp");
    sim_.temp().write("targets/t1/cfdrive/a.bit", "a");
    EXPECT_TRUE(refused(get(kDrive, "a.bit"), 1));
    EXPECT_TRUE(refused(put(kDrive, "b.bit"), 2));
    EXPECT_TRUE(refused(makeDir("newdir"), 3));
    EXPECT_TRUE(refused(rename(kDrive, "a.bit", "c.bit"), 4));
    VkTFTClientHandle second = nullptr;
    EXPECT_EQ(VkLnk_createFTClientHandle(pool_, device_, second), 5);
    EXPECT_EQ(VkLnk_deleteFTClientHandle(pool_, client_), 6);
    EXPECT_EQ(VkLnk_deleteFTClientHandle(pool_, client_), vksim::kResultInvalidHandle)
        << "released all the same";
    EXPECT_EQ(VkLnk_createFTClientHandle(pool_, nullptr, second), vksim::kResultInvalidHandle);
    EXPECT_TRUE(
        refused(VkLnk_getFileU(pool_, nullptr, nullptr, kDrive, "a", L"x", nullptr, nullptr),
                vksim::kErrInvalidHandle));
    client_ = nullptr;
}

// A FIFO on the drive or a device on the host would keep a copy going without end; a file that
// grows while it is copied is copied as it was when opened.
TEST_F(FtClientTest, OnlyRegularFilesAreCopiedAsTheyWereWhenOpened) {
    ASSERT_EQ(::mkfifo(sim_.cfdriveFile("t1", "fifo.bit").c_str(), 0644), 0);
    EXPECT_EXIT((::alarm(10), get(kDrive, "fifo.bit"), std::cerr << lastText(pool_), std::exit(0)),
                ::testing::ExitedWithCode(0),
                "remote file /mnt/cn/cfdrive/fifo.bit is a FIFO, not");
    EXPECT_EXIT((::alarm(10), put(kDrive, "z", "/dev/zero"), std::cerr << lastText(pool_), exit(0)),
                ::testing::ExitedWithCode(0), "local file /dev/zero is a character device, not a");
    std::string grows = sim_.temp().write("targets/t1/cfdrive/grows.bit", "0123456789");
    // Each progress report makes the remote file longer, as a writer beside the copy would.
    const auto grow = [](void* path, uint64_t done, uint64_t total) {
        std::ofstream(*static_cast<std::string*>(path), std::ios::app) << done << "/" << total;
    };
    EXPECT_EQ(get(kDrive, "grows.bit", grow, &grows), 10);
    EXPECT_EQ(sim_.temp().read("targets/t1/cfdrive/grows.bit"), "012345678910/10") << "progress";
    EXPECT_EQ(sim_.temp().read("fetched"), "0123456789");
}
