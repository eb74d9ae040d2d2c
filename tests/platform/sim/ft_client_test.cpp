// The file-transfer client of the simulated target: copies, renames and folders on the CN drive
// (cfdrive), nothing reached outside it or through a link, only regular files copied, and the
// faults of these calls.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "sim_test.h"

namespace simtest {
namespace {

constexpr char kDrive[] = "/mnt/cn/cfdrive";

class FtClientTest : public SimTest {
  protected:
    void SetUp() override {
        ASSERT_NE(device_ = sim_.open("lab1"), nullptr) << sim_.problem();
        ASSERT_EQ(VkLnk_createFTClientHandle(pool_, device_, client_), 0);
    }
    void TearDown() override { VkLnk_deleteFTClientHandle(pool_, client_); }
    int64_t put(const char* folder, const char* name, const std::string& local = "") {
        return VkLnk_putFileU(pool_, nullptr, client_, wide(local.empty() ? local_ : local).c_str(),
                              folder, name, nullptr, nullptr);
    }
    int64_t get(const char* folder, const char* name, VkTFTProgressFunction progress = nullptr,
                void* context = nullptr) {
        return VkLnk_getFileU(pool_, nullptr, client_, folder, name, wide(fetched_).c_str(),
                              progress, context);
    }
    int32_t rename(const char* folder, const char* from, const char* to) {
        return VkLnk_renameFile(pool_, nullptr, client_, folder, from, to);
    }
    int32_t makeDir(const char* folder, const char* name) {
        return VkLnk_makeDir(pool_, nullptr, client_, folder, name);
    }
    std::string drive(const std::string& name) const { return sim_.cfdriveFile("t1", name); }

    VkTFTClientHandle client_ = nullptr;
    std::string local_ = sim_.temp().write("local.bin", "bus fpga bits");
    std::string fetched_ = sim_.temp().file("fetched");
};

TEST_F(FtClientTest, PutRenameGetAndMakeDirWithinTheDrive) {
    EXPECT_LT(put("/mnt/cn/cfdrive/fpga/io", "x.bit"), 0);
    EXPECT_EQ(lastCode(pool_), vksim::kErrRemotePath);
    EXPECT_NE(makeDir(kDrive, "fpga/io"), 0) << "the parent does not exist yet";
    EXPECT_EQ(makeDir(kDrive, "fpga"), 0);
    EXPECT_EQ(makeDir(kDrive, "fpga/io"), 0);
    EXPECT_NE(makeDir(kDrive, "fpga"), 0) << "an existing folder is not created";
    EXPECT_NE(makeDir(kDrive, "a/../../escaped"), 0);
    EXPECT_NE(makeDir(kDrive, ""), 0);
    EXPECT_EQ(put(kDrive, "_TEMP001.TMP"), 13);
    EXPECT_EQ(rename("/mnt/cn/cfdrive/", "_TEMP001.TMP", "fpga/io/bus.bit"), 0);
    EXPECT_EQ(sim_.temp().read("targets/t1/cfdrive/fpga/io/bus.bit"), "bus fpga bits");
    EXPECT_LT(rename(kDrive, "fpga/io/bus.bit", "fpga/../../escaped.bit"), 0);
    EXPECT_EQ(lastCode(pool_), vksim::kErrRemotePath);
    std::vector<uint64_t> seen;
    const auto progress = [](void* context, uint64_t done, uint64_t total) {
        static_cast<std::vector<uint64_t>*>(context)->push_back(done * 100 + total);
    };
    EXPECT_EQ(get("/mnt/cn/cfdrive/fpga/io", "bus.bit", progress, &seen), 13);
    EXPECT_EQ(sim_.temp().read("fetched"), "bus fpga bits");
    EXPECT_EQ(seen.back(), 13u * 100 + 13u);
    EXPECT_LT(get(kDrive, "absent.bit"), 0);
    EXPECT_EQ(lastCode(pool_), vksim::kErrRemoteFile);
    EXPECT_LT(rename(kDrive, "absent", "b"), 0);
    EXPECT_LT(put(kDrive, "x", sim_.temp().file("no-such-local-file")), 0);
    EXPECT_EQ(lastCode(pool_), vksim::kErrHostFile);
    EXPECT_EQ(::access((folder_ + "/escaped").c_str(), F_OK), -1);
}

TEST_F(FtClientTest, NothingOutsideTheDriveIsReachedNorThroughALink) {
    const std::string outside = sim_.temp().write("outside.txt", "keep");
    ASSERT_EQ(::symlink(sim_.temp().path().c_str(), drive("link").c_str()), 0);
    ASSERT_EQ(::symlink(file().c_str(), drive("tj").c_str()), 0);
    const std::pair<const char*, const char*> escapes[] = {
        {"/mnt/cn/cfdrive/..", "target.json"},
        {"/mnt/cn/cfdrive/../../..", "outside.txt"},
        {"/mnt/cn/cfdrive/a/../..", "target.json"},
        {"/etc", "passwd"},
        {"/mnt/cn", "cfdrive"},
        {"mnt/cn/cfdrive", "x"},
        {kDrive, ".."},
        {kDrive, "../target.json"},
        {"/mnt/cn/cfdrive/link", "outside.txt"}};
    for (const auto& [folder, name] : escapes) {
        SCOPED_TRACE(std::string(folder) + " + " + name);
        EXPECT_LT(put(folder, name), 0);
        EXPECT_EQ(lastCode(pool_), vksim::kErrRemotePath);
        EXPECT_LT(get(folder, name), 0);
        EXPECT_LT(rename(folder, name, "z"), 0);
    }
    EXPECT_LT(put(kDrive, "tj"), 0);
    EXPECT_LT(get(kDrive, "tj"), 0);
    EXPECT_NE(makeDir("/mnt/cn/cfdrive/link", "d"), 0);
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
    EXPECT_EQ(pool_.getErrorCount(), 0u);
    sim_.temp().write("targets/t1/cfdrive/a.bit", "a");
    const std::pair<int64_t, uint32_t> failures[] = {{get(kDrive, "a.bit"), 1},
                                                     {put(kDrive, "b.bit"), 2},
                                                     {makeDir(kDrive, "newdir"), 3},
                                                     {rename(kDrive, "a.bit", "c.bit"), 4}};
    for (const auto& [result, code] : failures) {
        EXPECT_LT(result, 0) << code;
        EXPECT_EQ(pool_.getErrorCode(code - 1), code);
    }
    VkTFTClientHandle second = nullptr;
    EXPECT_EQ(VkLnk_createFTClientHandle(pool_, device_, second), 5);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(VkLnk_deleteFTClientHandle(pool_, client_), 6);
    EXPECT_EQ(VkLnk_deleteFTClientHandle(pool_, client_), vksim::kResultInvalidHandle)
        << "released all the same";
    EXPECT_EQ(VkLnk_createFTClientHandle(pool_, nullptr, second), vksim::kResultInvalidHandle);
    EXPECT_LT(VkLnk_getFileU(pool_, nullptr, nullptr, kDrive, "a", L"/tmp/x", nullptr, nullptr), 0);
    EXPECT_EQ(lastCode(pool_), vksim::kErrInvalidHandle);
    client_ = nullptr;
}

// A FIFO on the drive or a device on the host would keep a copy going without end; a file that
// grows while it is copied is copied as it was when opened.
TEST_F(FtClientTest, OnlyRegularFilesAreCopiedAsTheyWereWhenOpened) {
    ASSERT_EQ(::mkfifo(drive("fifo.bit").c_str(), 0644), 0);
    EXPECT_EQ(bounded([this] {
                  get(kDrive, "fifo.bit");
                  return lastText(pool_);
              }),
              "The remote file /mnt/cn/cfdrive/fifo.bit is a FIFO, not a regular file.");
    EXPECT_EQ(bounded([this] {
                  put(kDrive, "zero.bit", "/dev/zero");
                  return lastText(pool_);
              }),
              "The local file /dev/zero is a character device, not a regular file.");
    std::string grows = sim_.temp().write("targets/t1/cfdrive/grows.bit", "0123456789");
    // Each progress report makes the remote file longer, as a writer beside the copy would.
    const auto grow = [](void* path, uint64_t, uint64_t) {
        std::ofstream(*static_cast<std::string*>(path), std::ios::app) << std::string(1000, 'x');
    };
    EXPECT_EQ(get(kDrive, "grows.bit", grow, &grows), 10);
    EXPECT_EQ(sim_.temp().read("fetched"), "0123456789");
}

}  // namespace
}  // namespace simtest
