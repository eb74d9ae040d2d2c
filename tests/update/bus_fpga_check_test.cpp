#include "update/bus_fpga_check.h"
#include "update/remote_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "inventory/run_fixture.h"
#include "reporting/format.h"
#include "update/fetch_temp_file.h"
#include "update/file_compare.h"
#include "update/sim_target.h"
#include "utf8_conversion.h"

namespace {

using namespace planning_test;

UpdateFileRecord busFile(const wchar_t* fileName, const char* target) {
    UpdateFileRecord f = makeFile("VKx86_32", 3, fileName);
    f.IsBusFpga = true;
    f.TypeName = "FPGA file";
    f.TargetFileName = target;
    return f;
}

// Catalogue: 0 equal on the target, 1 different, 2 absent from the target, 3 no bus FPGA.
class BusFpgaCheckTest : public PlanningTest {
  protected:
    void setUpTarget(const std::string& faults = "[]") {
        const std::vector<char> equal = patternBytes(300000, 7);
        std::vector<char> differing = patternBytes(5000, 8);
        scratch.write("firmware/bus/equal.rbf", equal);
        scratch.write("firmware/bus/diff.rbf", differing);
        scratch.write("firmware/bus/absent.rbf", patternBytes(10));
        scratch.write("firmware/user.bin", patternBytes(10));
        target = std::make_unique<SimTarget>(scratch, "busfpga", faults);
        ASSERT_NE(target->device(), nullptr) << target->searchProblem();
        differing.back() ^= 1;
        scratch.write("targets/busfpga/cfdrive/equal.rbf", equal);
        scratch.write("targets/busfpga/cfdrive/fpga/diff.rbf", differing);
        setCatalogue(
            {busFile(L"bus\\equal.rbf", "equal.rbf"), busFile(L"bus\\diff.rbf", "fpga/diff.rbf"),
             busFile(L"bus/absent.rbf", "absent.rbf"), makeFile("VKx86_32", 1, L"user.bin")});
        options.firmwareFolder = utf8ToWide(scratch.file("firmware"));
    }

    BoardRecord& pcBoard(uint32_t serial = 100) {
        BoardRecord& board = addBoard("VKx86_32", serial);
        board.isPcPlatform = true;
        for (int32_t k = 0; k < 4; ++k) {
            addMatch(board, k);
        }
        return board;
    }

    std::string check(bool verbose) {
        moduleState().verboseOutput = verbose;
        return captureStdout([&] { checkBusFpgaFiles(pool, table, target->device(), options); });
    }

    static std::vector<uint8_t> upToDate(const BoardRecord& board) {
        return std::vector<uint8_t>(board.fileUpToDate.begin(),
                                    board.fileUpToDate.begin() + board.matchCount);
    }

    ScratchFolder scratch;
    std::unique_ptr<SimTarget> target;
    VkCErrorListPool pool;
    VkTCmdOptions options;
};

const char* const kEqualMessage =
    "INFO: File bus\\equal.rbf is already installed on real-time system and needs not be "
    "written!\n";
const char* const kDiffMessage =
    "INFO: File bus\\diff.rbf differs from corresponding file installed on real-time system and "
    "must be written!\n";
const char* const kAbsentMessage =
    "INFO: Cannot load file /mnt/cn/cfdrive/absent.rbf from real-time system!\n";

TEST_F(BusFpgaCheckTest, EqualCopyIsMarkedInstalledOthersMustBeWritten) {
    setUpTarget();
    BoardRecord& board = pcBoard();
    EXPECT_EQ(check(true), std::string(kEqualMessage) + kDiffMessage + kAbsentMessage);
    EXPECT_EQ(upToDate(board), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(pool.getErrorCount(), 0u);  // the failed fetch stays in its own list
}

TEST_F(BusFpgaCheckTest, WithoutVerboseNothingIsPrinted) {
    setUpTarget();
    BoardRecord& board = pcBoard();
    EXPECT_EQ(check(false), "");
    EXPECT_EQ(upToDate(board), (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(BusFpgaCheckTest, FailedFetchLeavesEveryFileToBeWritten) {
    setUpTarget("[{\"call\": \"getFileU\"}]");
    BoardRecord& board = pcBoard();
    EXPECT_EQ(check(true),
              "INFO: Cannot load file /mnt/cn/cfdrive/equal.rbf from real-time system!\n"
              "INFO: Cannot load file /mnt/cn/cfdrive/fpga/diff.rbf from real-time "
              "system!\n" +
                  std::string(kAbsentMessage));
    EXPECT_EQ(upToDate(board), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(pool.getErrorCount(), 0u);
}

TEST_F(BusFpgaCheckTest, FailedClientCreationEndsTheCheckEarly) {
    setUpTarget("[{\"call\": \"createFTClientHandle\"}]");
    BoardRecord& board = pcBoard();
    EXPECT_EQ(check(true), "ERROR: Cannot create FT client handle!\n");
    EXPECT_EQ(upToDate(board), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_GT(pool.getErrorCount(), 0u);
}

TEST_F(BusFpgaCheckTest, FailedClientDeletionIsReportedAtTheEnd) {
    setUpTarget("[{\"call\": \"deleteFTClientHandle\"}]");
    BoardRecord& board = pcBoard();
    EXPECT_EQ(check(true), std::string(kEqualMessage) + kDiffMessage + kAbsentMessage +
                               "ERROR: Cannot delete FT client handle!\n");
    EXPECT_EQ(board.fileUpToDate[0], 1);
}

TEST_F(BusFpgaCheckTest, OnlySelectedBoardsAndMatchesNotYetInstalledAreFetched) {
    setUpTarget();
    BoardRecord& skipped = pcBoard(100);
    BoardRecord& checked = pcBoard(101);
    checked.fileUpToDate[1] = 1;  // known installed already: not fetched, stays set
    checked.activeFirmware = 2;   // no user firmware: still compared here
    options.serialNumbers = "101";
    EXPECT_EQ(check(true), std::string(kEqualMessage) + kAbsentMessage);
    EXPECT_EQ(upToDate(skipped), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(upToDate(checked), (std::vector<uint8_t>{1, 1, 0, 0}));
}

TEST_F(BusFpgaCheckTest, MissingLocalFileCountsAsDifferent) {
    setUpTarget();
    std::remove(scratch.file("firmware/bus/equal.rbf").c_str());
    BoardRecord& board = pcBoard();
    const std::string out = check(true);
    EXPECT_NE(out.find("ERROR: Cannot open file " + scratch.file("firmware") + "/bus/equal.rbf!\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(board.fileUpToDate[0], 0);
}

TEST_F(BusFpgaCheckTest, FileNameReachingOutsideTheFirmwareFolderIsNeverCompared) {
    setUpTarget();
    scratch.write("escape.rbf", patternBytes(300000, 7));  // equal to the target's copy
    file(0).FileName = L"..\\escape.rbf";
    BoardRecord& board = pcBoard();
    EXPECT_EQ(check(true),
              "INFO: File ..\\escape.rbf differs from corresponding file installed on real-time "
              "system and must be written!\n" +
                  std::string(kDiffMessage) + kAbsentMessage);
    EXPECT_EQ(board.fileUpToDate[0], 0);
}

TEST_F(BusFpgaCheckTest, TargetNameTooLongForTheRemotePathIsRefusedNotCut) {
    setUpTarget();
    // "/mnt/cn/cfdrive/" and 495 characters make the longest remote path, 511 characters.
    const std::string longest =
        std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(93, 'c');
    ASSERT_EQ(longest.size(), 495u);
    const std::string tooLong = longest + "d";
    // A path cut to fit would name this file, which equals the update file.
    scratch.write("targets/busfpga/cfdrive/" + longest, patternBytes(300000, 7));
    file(0).TargetFileName = tooLong.c_str();
    BoardRecord& board = pcBoard();
    EXPECT_EQ(check(true),
              "ERROR: Target file name of bus\\equal.rbf is too long (496 characters, at most "
              "495)!\n" +
                  std::string(kDiffMessage) + kAbsentMessage);
    EXPECT_EQ(board.fileUpToDate[0], 0);
    file(0).TargetFileName = longest.c_str();
    EXPECT_EQ(check(true), std::string(kEqualMessage) + kDiffMessage + kAbsentMessage);
    EXPECT_EQ(board.fileUpToDate[0], 1);
}

TEST_F(BusFpgaCheckTest, FetchFileIsMadeOnceKeptPrivateAndEmptiedAfterUse) {
    setUpTarget();
    pcBoard();
    check(false);
    const std::wstring first = moduleState().tempFileName;
    ASSERT_FALSE(first.empty());
    struct stat info {};
    ASSERT_EQ(::stat(wideToUtf8(first).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_size, 0);
    EXPECT_EQ(wideToUtf8(first).rfind("/proc/self/fd/", 0), 0u) << wideToUtf8(first);
    check(false);
    EXPECT_EQ(moduleState().tempFileName, first);
}

// --- The fetch file itself -------------------------------------------------------------------

// A fetch writes the file by its path, as the platform does; false when it cannot.
bool fetchInto(const std::wstring& path, const std::vector<char>& bytes) {
    const int out = ::open(wideToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written =
        out >= 0 && ::write(out, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    return out >= 0 && ::close(out) == 0 && written;
}

TEST(FetchFile, LeavesNothingInTheTemporaryFolderEvenWhenKilled) {
    ScratchFolder temporary;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("TMPDIR", temporary.path().c_str(), 1);
        moduleState().tempFileName.clear();  // as in a freshly loaded library
        const bool used = prepareFetchFile() == FetchFileStatus::Ready &&
                          fetchInto(moduleState().tempFileName, patternBytes(1000)) &&
                          std::filesystem::is_empty(temporary.path());
        if (!used) {
            std::_Exit(3);
        }
        ::raise(SIGKILL);  // as a plan that is killed
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the child could not use its fetch file unnamed";
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
}

TEST_F(BusFpgaCheckTest, SecondFetchOverwritesALongerFirstOne) {
    setUpTarget();
    ASSERT_EQ(prepareFetchFile(), FetchFileStatus::Ready);
    const std::wstring fetched = moduleState().tempFileName;
    FtClientHandle client(pool, target->device());
    ASSERT_TRUE(client.isOpen());
    for (const char* name : {"equal.rbf", "fpga/diff.rbf"}) {  // 300,000 bytes, then 5,000
        std::string folder;
        std::string file;
        ASSERT_TRUE(remoteLocation(name, kCheckPathCapacity, folder, file));
        ASSERT_GE(VkLnk_getFileU(pool, nullptr, client.get(), folder.c_str(), file.c_str(),
                                 fetched.c_str(), nullptr, nullptr),
                  0);
    }
    EXPECT_TRUE(compareFiles(fetched, utf8ToWide(target->cfdriveFile("fpga/diff.rbf"))));
}

TEST(FetchFile, ChildProcessLeavesTheParentsFileAlone) {
    ASSERT_EQ(prepareFetchFile(), FetchFileStatus::Ready);
    const std::string name = wideToUtf8(moduleState().tempFileName);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::exit(0);  // runs the exit handlers it inherited
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(::access(name.c_str(), F_OK), 0);
}

TEST(FetchFile, UnusableTemporaryFolderFailsWithoutAName) {
    struct Case {
        std::string tmpdir;
        FetchFileStatus status;
        const char* message;
    };
    const std::wstring saved = moduleState().tempFileName;
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string restoreTmp = savedTmp ? savedTmp : "";
    for (const Case& c : {Case{"/" + std::string(259, 'x'), FetchFileStatus::NoFolder,
                               "ERROR: Cannot determine TEMP folder path.\n"},
                          Case{"/nonexistent-folder-of-vk-tests", FetchFileStatus::NoName,
                               "ERROR: Cannot determine temporary file name.\n"}}) {
        moduleState().tempFileName.clear();
        ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
        EXPECT_EQ(prepareFetchFile(), c.status);
        EXPECT_TRUE(moduleState().tempFileName.empty());
        VkCErrorListPool pool;
        BoardTable none;
        moduleState().verboseOutput = true;
        EXPECT_EQ(captureStdout([&] { checkBusFpgaFiles(pool, none, nullptr, VkTCmdOptions()); }),
                  c.message);
        moduleState().verboseOutput = false;
    }
    if (savedTmp != nullptr) {
        ::setenv("TMPDIR", restoreTmp.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    moduleState().tempFileName = saved;
}

TEST(RemoteLocation, SplitsAtTheLastSlashAndRefusesWhatDoesNotFit) {
    std::string folder;
    std::string name;
    ASSERT_TRUE(remoteLocation("bus.rbf", 512, folder, name));
    EXPECT_EQ(folder, "/mnt/cn/cfdrive");
    EXPECT_EQ(name, "bus.rbf");
    ASSERT_TRUE(remoteLocation("fpga/v2/bus.rbf", 512, folder, name));
    EXPECT_EQ(folder, "/mnt/cn/cfdrive/fpga/v2");
    EXPECT_EQ(name, "bus.rbf");
    for (const size_t capacity : {size_t(512), size_t(255)}) {
        const size_t longest = longestTargetFileName(capacity);
        ASSERT_TRUE(remoteLocation(VkCString(std::string(longest, 'n')), capacity, folder, name));
        EXPECT_EQ(folder.size() + 1 + name.size(), capacity - 1);
        EXPECT_FALSE(
            remoteLocation(VkCString(std::string(longest + 1, 'n')), capacity, folder, name));
    }
}

}  // namespace
