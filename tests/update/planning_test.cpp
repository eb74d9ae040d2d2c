// The planning side of an update: installed-file comparison by version and checksum, the byte
// comparison of files, the bus-FPGA check against a simulated target's CN drive and its fetch
// file.
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>

#include "update/bus_fpga_check.h"
#include "update/fetch_temp_file.h"
#include "update/file_compare.h"
#include "update/installed_file_comparison.h"
#include "update/remote_files.h"
#include "update/update_fixture.h"
#include "utf8_conversion.h"

namespace {

using namespace update_test;
using Flags = std::vector<uint8_t>;

TEST(InstalledSlots, DecideWhatDiffers) {
    // fwType, bus FPGA, version slot (0: none, always differs), checksum slot
    const std::vector<std::array<int, 4>> cases = {{1, 0, 1, 1},  {5, 0, 12, 12}, {14, 0, 16, 13},
                                                   {1, 1, 1, 1},  {3, 1, 0, 0},   {4, 1, 0, 0},
                                                   {10, 0, 0, 0}, {15, 0, 0, 0}};
    for (const auto& [fwType, isBusFpga, versionSlot, checksumSlot] : cases) {
        SCOPED_TRACE(fwType);
        UpdateFileRecord f = makeFile("VK7101", uint32_t(fwType));
        f.IsBusFpga = isBusFpga;
        f.Crc32Checksum = 0xCAFE0001;
        BoardRecord board;
        std::fill_n(board.installedVersions, kInstalledVersionSlots, f.Version);
        std::fill_n(board.installedChecksums, kInstalledChecksumSlots, f.Crc32Checksum);
        InstalledSlots slots;
        EXPECT_EQ(installedSlotsOf(f, slots), versionSlot != 0);
        EXPECT_EQ(versionDiffers(board, f) + 2 * checksumDiffers(board, f), versionSlot ? 0 : 3);
        if (versionSlot != 0) {
            EXPECT_EQ(slots.versionSlot * 100 + slots.checksumSlot,
                      versionSlot * 100 + checksumSlot);
            board.installedVersion(versionSlot) = VkCVersion("1.1");
            EXPECT_EQ(versionDiffers(board, f) + 2 * checksumDiffers(board, f), 1);
            board.installedChecksum(checksumSlot) = kUnknownChecksum;
            EXPECT_TRUE(checksumDiffers(board, f));
            f.IsMissing = true;  // a missing file differs from anything
            board.installedVersion(versionSlot) = f.Version;
            board.installedChecksum(checksumSlot) = f.Crc32Checksum;
            EXPECT_EQ(versionDiffers(board, f) + 2 * checksumDiffers(board, f), 3);
        }
    }
}

class CheckVersions : public RunTablesTest {
  protected:
    // Catalogue: 0 installed, 1 new version, 2 new checksum, 3 bus FPGA.
    void SetUp() override {
        RunTablesTest::SetUp();
        std::vector<UpdateFileRecord> files = {makeFile("VK7101", 1), makeFile("VK7101", 3),
                                               makeFile("VK7101", 11), makeFile("VK7101", 3)};
        files[1].Version = VkCVersion("1.1");
        files[2].Crc32Checksum = 99;
        files[3].IsBusFpga = true;
        setCatalogue(files);
    }
    BoardRecord& installedBoard() {
        BoardRecord& board = addBoard("VK7101", 100, {0, 1, 2, 3});
        for (const int slot : {1, 3, 5}) {
            board.installedVersion(slot) = VkCVersion("1.0");
            board.installedChecksum(slot) = file(0).Crc32Checksum;
        }
        return board;
    }
};

TEST_F(CheckVersions, MarksOnlyEqualVersionAndChecksumAndNeverClearsAFlag) {
    BoardRecord& board = installedBoard();
    board.fileUpToDate[3] = 1;  // found installed earlier
    moduleState().verboseOutput = true;
    const std::string out = printed([&] { checkVersions(table, VkTCmdOptions()); });
    EXPECT_EQ(upToDate(board), (Flags{1, 0, 0, 1}));
    EXPECT_THAT(out, testing::HasSubstr("[VK7101] ROOT/IOROUTER[3]: IO FPGA firmware: version "
                                        "equal, checksum differs\n"));
    board.matchFiles[0] = -1;  // positions without a file are passed over, never read
    board.matchFiles[1] = 4711;
    board.fileUpToDate[0] = 0;
    checkVersions(table, VkTCmdOptions());
    EXPECT_EQ(upToDate(board), (Flags{0, 0, 0, 1}));
}

TEST_F(CheckVersions, NoBoardsOrNoCatalogueEndTheProcess) {
    EXPECT_EXIT(checkVersions(table, VkTCmdOptions()), testing::ExitedWithCode(1), "");
    installedBoard();
    moduleState().catalogueRead = false;
    EXPECT_EXIT(checkVersions(table, VkTCmdOptions()), testing::ExitedWithCode(1), "");
    moduleState().catalogueRead = true;
    setCatalogue({});  // an empty catalogue is valid: nothing to compare
    EXPECT_EQ(printed([&] { checkVersions(table, VkTCmdOptions()); }), "");
}

TEST_F(RunTablesTest, UnopenableAndSpecialFilesAreNotEqualAndNamedWhenVerbose) {
    TempFolder folder;
    const std::string file = folder.write("a", "x");
    folder.write("dir/inner", "");
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(printed([&] { EXPECT_FALSE(compareFiles(folder.wideFile("x"), utf8ToWide(file))); }),
              "");
    moduleState().verboseOutput = true;
    EXPECT_EQ(printed([&] { EXPECT_FALSE(compareFiles(utf8ToWide(file), folder.wideFile("y"))); }),
              "ERROR: Cannot open file " + folder.file("y") + "!\n");
    // In a child that an alarm ends, so that a pipe that waits fails instead of hanging.
    for (const char* special : {"dir", "pipe"}) {
        for (const bool first : {true, false}) {
            const std::wstring other = folder.wideFile(special);
            EXPECT_EXIT(
                {
                    ::alarm(10);
                    ::dup2(2, 1);  // the verbose message goes where the death test reads
                    std::exit(compareFiles(first ? other : utf8ToWide(file),
                                           first ? utf8ToWide(file) : other)
                                  ? 1
                                  : 0);
                },
                testing::ExitedWithCode(0),
                testing::HasSubstr("ERROR: Cannot compare file " + folder.file(special) +
                                   ": it is a"));
        }
    }
}

// --- The bus-FPGA check ----------------------------------------------------------------------

UpdateFileRecord busFile(const wchar_t* fileName, const char* target) {
    UpdateFileRecord f = makeFile("VKx86_32", 3, fileName);
    f.IsBusFpga = true;
    f.TypeName = "FPGA file";
    f.TargetFileName = target;
    return f;
}

// Catalogue: 0 equal on the target, 1 different, 2 absent from the target, 3 no bus FPGA.
class BusFpgaCheck : public RunTablesTest {
  protected:
    void setUpTarget(const Json& faults = Json::array()) {
        const std::string equal = patternBytes(300000, 7);
        std::string differing = patternBytes(5000, 8);
        targets.temp().write("firmware/bus/equal.rbf", equal);
        targets.temp().write("firmware/bus/diff.rbf", differing);
        targets.temp().write("firmware/bus/absent.rbf", "a");
        targets.add("busfpga", SimTargets::target("busfpga", "10.20.30.40", Json::array(), faults));
        device = targets.open("busfpga");
        ASSERT_NE(device, nullptr) << targets.problem();
        differing.back() ^= 1;
        targets.temp().write("targets/busfpga/cfdrive/equal.rbf", equal);
        targets.temp().write("targets/busfpga/cfdrive/fpga/diff.rbf", differing);
        setCatalogue({busFile(L"bus\\equal.rbf", "equal.rbf"),
                      busFile(L"bus\\diff.rbf", "fpga/diff.rbf"),
                      busFile(L"bus/absent.rbf", "absent.rbf"), makeFile("VKx86_32", 1)});
        options.firmwareFolder = utf8ToWide(targets.temp().file("firmware"));
    }
    BoardRecord& pcBoard(uint32_t serial = 100) {
        BoardRecord& board = addBoard("VKx86_32", serial, {0, 1, 2, 3});
        board.isPcPlatform = true;
        return board;
    }
    std::string check() {
        moduleState().verboseOutput = true;
        return printed([&] { checkBusFpgaFiles(pool, table, device, options); });
    }

    SimTargets targets;
    VkTDeviceHandle device = nullptr;
    VkCErrorListPool pool;
    VkTCmdOptions options;
};

TEST_F(BusFpgaCheck, FaultsOfTheTargetLeaveFilesToBeWritten) {
    struct Case {
        const char* faultCall;
        Flags upToDate;
        bool poolError;  // fetch errors stay in their own list
        const char* lastLine;
    };
    for (const Case& c : {Case{"", {1, 0, 0, 0}, false, "absent.rbf from real-time system!\n"},
                          Case{"getFileU", {0, 0, 0, 0}, false, "from real-time system!\n"},
                          Case{"createFTClientHandle", {0, 0, 0, 0}, true, "client handle!\n"},
                          Case{"deleteFTClientHandle", {1, 0, 0, 0}, true, "client handle!\n"}}) {
        SCOPED_TRACE(c.faultCall);
        freeBoardTable(table);
        setUpTarget(*c.faultCall ? Json::array({SimTargets::fault(c.faultCall)}) : Json::array());
        BoardRecord& board = pcBoard();
        EXPECT_THAT(check(), testing::EndsWith(c.lastLine));
        EXPECT_EQ(upToDate(board), c.upToDate);
        EXPECT_EQ(pool.getErrorCount() > 0, c.poolError);
        pool.reset();
    }
}

TEST_F(BusFpgaCheck, FetchFileIsPrivateUnnamedReusedAndOverwritten) {
    setUpTarget();
    pcBoard();
    check();
    const std::wstring first = moduleState().tempFileName;
    struct stat info {};
    ASSERT_EQ(::stat(wideToUtf8(first).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_size, 0);
    EXPECT_EQ(wideToUtf8(first).rfind("/proc/self/fd/", 0), 0u) << wideToUtf8(first);
    check();
    EXPECT_EQ(moduleState().tempFileName, first);
    FtClientHandle client(pool, device);
    for (const char* name : {"equal.rbf", "fpga/diff.rbf"}) {  // 300,000 bytes, then 5,000
        std::string folder, fileName;
        ASSERT_TRUE(remoteLocation(name, kCheckPathCapacity, folder, fileName));
        ASSERT_GE(VkLnk_getFileU(pool, nullptr, client.get(), folder.c_str(), fileName.c_str(),
                                 first.c_str(), nullptr, nullptr),
                  0);
    }
    EXPECT_TRUE(compareFiles(first, utf8ToWide(targets.cfdriveFile("busfpga", "fpga/diff.rbf"))));
    const pid_t child = ::fork();  // its exit handlers leave the parent's file alone
    if (child == 0) {
        std::exit(0);
    }
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(::access(wideToUtf8(first).c_str(), F_OK), 0);
}

TEST_F(RunTablesTest, UnusableTemporaryFolderFailsTheCheckWithoutAName) {
    const std::wstring saved = moduleState().tempFileName;
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string restoreTmp = savedTmp ? savedTmp : "";
    moduleState().verboseOutput = true;
    for (const auto& [tmpdir, status] :
         {std::pair{"/" + std::string(259, 'x'), FetchFileStatus::NoFolder},
          std::pair{std::string("/nonexistent-folder-of-vk-tests"), FetchFileStatus::NoName}}) {
        moduleState().tempFileName.clear();
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        EXPECT_EQ(prepareFetchFile(), status);
        EXPECT_TRUE(moduleState().tempFileName.empty());
        VkCErrorListPool pool;
        EXPECT_THAT(printed([&] { checkBusFpgaFiles(pool, table, nullptr, VkTCmdOptions()); }),
                    testing::StartsWith("ERROR: Cannot determine "));
    }
    savedTmp ? ::setenv("TMPDIR", restoreTmp.c_str(), 1) : ::unsetenv("TMPDIR");
    moduleState().tempFileName = saved;
}

}  // namespace
