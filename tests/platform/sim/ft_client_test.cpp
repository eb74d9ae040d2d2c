#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "child_holder.h"
#include "sim/SimErrors.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

class FtClientTest : public SimTest {
  protected:
    void SetUp() override {
        folder_ = addTarget("t1", standardTarget());
        device_ = openDevice();
        ASSERT_NE(device_, nullptr);
        ASSERT_EQ(VkLnk_createFTClientHandle(pool_, device_, client_), 0);
        local_ = temp_.path() + "/local.bin";
        writeFile(local_, "bus fpga bits");
    }
    void TearDown() override {
        VkLnk_deleteFTClientHandle(pool_, client_);
        VkLnk_deleteDeviceHandle(pool_, device_);
    }
    int64_t put(const char* folder, const char* name, const std::string& local) {
        const std::wstring path = wide(local);
        return VkLnk_putFileU(pool_, nullptr, client_, path.c_str(), folder, name, nullptr,
                              nullptr);
    }
    int64_t get(const char* folder, const char* name, const std::string& local) {
        const std::wstring path = wide(local);
        return VkLnk_getFileU(pool_, nullptr, client_, folder, name, path.c_str(), nullptr,
                              nullptr);
    }
    void setFaults(const char* faults) {
        Json target = standardTarget();
        target["faults"] = Json::parse(faults);
        addTarget("t1", target);
    }
    std::string cfdrive() const { return folder_ + "/cfdrive"; }

    std::string folder_;
    std::string local_;
    VkTDeviceHandle device_ = nullptr;
    VkTFTClientHandle client_ = nullptr;
};

TEST_F(FtClientTest, PutRenameAndGetWithinTheCfdrive) {
    EXPECT_EQ(put("/mnt/cn/cfdrive", "_TEMP001.TMP", local_), 13);
    EXPECT_EQ(
        VkLnk_renameFile(pool_, nullptr, client_, "/mnt/cn/cfdrive/", "_TEMP001.TMP", "bus.bit"),
        0);
    EXPECT_EQ(readFile(cfdrive() + "/bus.bit"), "bus fpga bits");
    const std::string back = temp_.path() + "/back.bin";
    EXPECT_EQ(get("/mnt/cn/cfdrive", "bus.bit", back), 13);
    EXPECT_EQ(readFile(back), "bus fpga bits");
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(FtClientTest, RenameMayMoveIntoAFolderBelow) {
    ASSERT_EQ(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", "boot"), 0);
    EXPECT_EQ(put("/mnt/cn/cfdrive", "_TEMP001.TMP", local_), 13);
    EXPECT_EQ(VkLnk_renameFile(pool_, nullptr, client_, "/mnt/cn/cfdrive", "_TEMP001.TMP",
                               "boot/loader.bin"),
              0);
    EXPECT_EQ(readFile(cfdrive() + "/boot/loader.bin"), "bus fpga bits");
    EXPECT_LT(VkLnk_renameFile(pool_, nullptr, client_, "/mnt/cn/cfdrive", "boot/loader.bin",
                               "boot/../../escaped.bin"),
              0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrRemotePath);
    EXPECT_EQ(readFile(cfdrive() + "/boot/loader.bin"), "bus fpga bits");
}

TEST_F(FtClientTest, ProgressReportsTheBytesDone) {
    std::vector<uint64_t> seen;
    const std::wstring path = wide(local_);
    EXPECT_EQ(VkLnk_putFileU(
                  pool_, nullptr, client_, path.c_str(), "/mnt/cn/cfdrive", "p.bit",
                  [](void* context, uint64_t done, uint64_t total) {
                      static_cast<std::vector<uint64_t>*>(context)->push_back(done * 100 + total);
                  },
                  &seen),
              13);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 13u * 100 + 13u);
}

TEST_F(FtClientTest, MakeDirCreatesOneLevelAtATime) {
    EXPECT_LT(put("/mnt/cn/cfdrive/fpga/io", "x.bit", local_), 0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrRemotePath);
    EXPECT_NE(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", "fpga/io"), 0)
        << "the parent does not exist yet";
    EXPECT_EQ(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", "fpga"), 0);
    EXPECT_EQ(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", "fpga/io"), 0);
    EXPECT_NE(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", "fpga"), 0)
        << "an existing folder is not created";
    EXPECT_EQ(put("/mnt/cn/cfdrive/fpga/io", "x.bit", local_), 13);
    EXPECT_EQ(readFile(cfdrive() + "/fpga/io/x.bit"), "bus fpga bits");
}

TEST_F(FtClientTest, GetOfAMissingFileFails) {
    EXPECT_LT(get("/mnt/cn/cfdrive", "absent.bit", temp_.path() + "/a"), 0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrRemoteFile);
    EXPECT_LT(VkLnk_renameFile(pool_, nullptr, client_, "/mnt/cn/cfdrive", "absent", "b"), 0);
    EXPECT_LT(put("/mnt/cn/cfdrive", "x", temp_.path() + "/no-such-local-file"), 0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrHostFile);
}

struct Escape {
    const char* folder;
    const char* name;
};

void PrintTo(const Escape& c, std::ostream* os) {
    *os << c.folder << " + " << c.name;
}

class PathTraversalTest : public FtClientTest, public ::testing::WithParamInterface<Escape> {};

TEST_P(PathTraversalTest, PathsOutsideTheCfdriveAreRefused) {
    const std::string outside = temp_.path() + "/outside.txt";
    writeFile(outside, "keep");
    EXPECT_LT(put(GetParam().folder, GetParam().name, local_), 0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrRemotePath) << lastErrorText(pool_);
    EXPECT_LT(get(GetParam().folder, GetParam().name, temp_.path() + "/fetched"), 0);
    EXPECT_LT(VkLnk_renameFile(pool_, nullptr, client_, GetParam().folder, GetParam().name, "z"),
              0);
    EXPECT_EQ(readFile(outside), "keep");
    EXPECT_EQ(readFile(folder_ + "/target.json"), standardTarget().dump(2));
}

INSTANTIATE_TEST_SUITE_P(Escapes, PathTraversalTest,
                         ::testing::Values(Escape{"/mnt/cn/cfdrive/..", "target.json"},
                                           Escape{"/mnt/cn/cfdrive/../../..", "outside.txt"},
                                           Escape{"/mnt/cn/cfdrive/a/../..", "target.json"},
                                           Escape{"/etc", "passwd"}, Escape{"/mnt/cn", "cfdrive"},
                                           Escape{"mnt/cn/cfdrive", "x"},
                                           Escape{"/mnt/cn/cfdrive", ".."},
                                           Escape{"/mnt/cn/cfdrive", "../target.json"},
                                           Escape{"/mnt/cn/cfdrive/link", "outside.txt"}));

TEST_F(FtClientTest, SymbolicLinksAreNotFollowed) {
    ASSERT_EQ(::symlink(temp_.path().c_str(), (cfdrive() + "/link").c_str()), 0);
    ASSERT_EQ(::symlink((folder_ + "/target.json").c_str(), (cfdrive() + "/tj").c_str()), 0);
    EXPECT_LT(put("/mnt/cn/cfdrive/link", "x", local_), 0);
    EXPECT_LT(put("/mnt/cn/cfdrive", "tj", local_), 0);
    EXPECT_LT(get("/mnt/cn/cfdrive", "tj", temp_.path() + "/fetched"), 0);
    EXPECT_NE(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive/link", "d"), 0);
    struct stat info {};
    EXPECT_NE(::stat((temp_.path() + "/d").c_str(), &info), 0);
    EXPECT_TRUE(readJson(folder_ + "/target.json").is_object());
}

TEST_F(FtClientTest, MakeDirRefusesClimbing) {
    EXPECT_NE(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", "a/../../escaped"), 0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrRemotePath);
    EXPECT_NE(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", ""), 0);
    struct stat info {};
    EXPECT_NE(::stat((folder_ + "/escaped").c_str(), &info), 0);
}

TEST_F(FtClientTest, ShortWriteFaultWritesHalfWithoutAnError) {
    setFaults(R"([{"call": "putFileU", "shortWrite": true, "match": "short.bit"}])");
    writeFile(local_, "0123456789");
    EXPECT_EQ(put("/mnt/cn/cfdrive", "short.bit", local_), 5);
    EXPECT_EQ(readFile(cfdrive() + "/short.bit"), "01234");
    EXPECT_EQ(put("/mnt/cn/cfdrive", "full.bit", local_), 10);
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

TEST_F(FtClientTest, FaultsOfTheClientCalls) {
    setFaults(R"([
        {"call": "getFileU", "match": "a.bit", "errorCode": 1},
        {"call": "putFileU", "match": "/mnt/cn/cfdrive/b.bit", "errorCode": 2},
        {"call": "makeDir", "match": "newdir", "errorCode": 3},
        {"call": "renameFile", "match": "c.bit", "errorCode": 4},
        {"call": "createFTClientHandle", "times": 1, "errorCode": 5},
        {"call": "deleteFTClientHandle", "times": 1, "errorCode": 6}])");
    writeFile(cfdrive() + "/a.bit", "a");
    EXPECT_LT(get("/mnt/cn/cfdrive", "a.bit", temp_.path() + "/a"), 0);
    EXPECT_EQ(lastErrorCode(pool_), 1u);
    EXPECT_LT(put("/mnt/cn/cfdrive", "b.bit", local_), 0);
    EXPECT_EQ(lastErrorCode(pool_), 2u);
    EXPECT_NE(VkLnk_makeDir(pool_, nullptr, client_, "/mnt/cn/cfdrive", "newdir"), 0);
    EXPECT_EQ(lastErrorCode(pool_), 3u);
    EXPECT_LT(VkLnk_renameFile(pool_, nullptr, client_, "/mnt/cn/cfdrive", "a.bit", "c.bit"), 0);
    EXPECT_EQ(lastErrorCode(pool_), 4u);
    VkTFTClientHandle second = nullptr;
    EXPECT_EQ(VkLnk_createFTClientHandle(pool_, device_, second), 5);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(VkLnk_deleteFTClientHandle(pool_, client_), 6);
    EXPECT_EQ(VkLnk_deleteFTClientHandle(pool_, client_), vksim::kResultInvalidHandle)
        << "released all the same";
    client_ = nullptr;
    EXPECT_EQ(pool_.getErrorCount(), 7u);
}

// A FIFO on the drive or a device on the host would keep a copy going without end.
TEST_F(FtClientTest, OnlyRegularFilesAreCopied) {
    ASSERT_EQ(::mkfifo((cfdrive() + "/bus.bit").c_str(), 0644), 0);
    EXPECT_EQ(runBounded([this] {
                  get("/mnt/cn/cfdrive", "bus.bit", temp_.path() + "/fetched");
                  return lastErrorText(pool_);
              }),
              "The remote file /mnt/cn/cfdrive/bus.bit is a FIFO, not a regular file.");
    EXPECT_EQ(runBounded([this] {
                  put("/mnt/cn/cfdrive", "zero.bit", "/dev/zero");
                  return lastErrorText(pool_);
              }),
              "The local file /dev/zero is a character device, not a regular file.");
}

TEST_F(FtClientTest, GetCopiesNoMoreThanTheFileHadWhenOpened) {
    writeFile(cfdrive() + "/grows.bit", "0123456789");
    struct Growing {
        std::string path;
        int appended = 0;
    } growing{cfdrive() + "/grows.bit"};
    const std::wstring local = wide(temp_.path() + "/fetched");
    // Each progress report makes the remote file longer, as a writer beside the copy would.
    const auto grow = [](void* context, uint64_t, uint64_t) {
        auto* file = static_cast<Growing*>(context);
        if (file->appended++ < 3) {
            std::ofstream(file->path, std::ios::app) << std::string(1000, 'x');
        }
    };
    EXPECT_EQ(VkLnk_getFileU(pool_, nullptr, client_, "/mnt/cn/cfdrive", "grows.bit", local.c_str(),
                             grow, &growing),
              10);
    EXPECT_EQ(readFile(temp_.path() + "/fetched"), "0123456789");
}

TEST_F(FtClientTest, ClientNeedsALiveDevice) {
    VkTFTClientHandle other = nullptr;
    EXPECT_EQ(VkLnk_createFTClientHandle(pool_, nullptr, other), vksim::kResultInvalidHandle);
    EXPECT_LT(VkLnk_getFileU(pool_, nullptr, nullptr, "/mnt/cn/cfdrive", "a", L"/tmp/x", nullptr,
                             nullptr),
              0);
    EXPECT_EQ(lastErrorCode(pool_), vksim::kErrInvalidHandle);
}

}  // namespace
}  // namespace simtest
