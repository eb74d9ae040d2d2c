// The stages of an update pass against a simulated target whose faults shape each call: the
// put through a temporary name, the transfer, the boot loader update, the start, the status
// polling beside the progress thread, the error collection and the bus-FPGA files.
#include <gmock/gmock.h>

#include <filesystem>
#include <stdexcept>

#include "VkNRtosAbstraction.h"
#include "sim/handles.h"
#include "support/host_recorder.h"
#include "update/board_update_stages.h"
#include "update/boot_loader_update.h"
#include "update/file_transfer.h"
#include "update/update_fixture.h"

namespace {

using namespace update_test;
using Codes = std::vector<uint32_t>;
namespace fs = std::filesystem;

uint64_t slept() {
    return VkNRtosAbstraction::requestedSleepMicroseconds();
}

Json faultOn(const std::string& call, Json extra = Json::object()) {
    extra["call"] = call;
    return Json::array({extra});
}

TEST_F(StageTest, TransferTakesOnlyOrdinaryFilesOfThePassForBoardsThatGoOn) {
    std::vector<UpdateFileRecord> files;
    for (const char* file : {"fw", "later", "bus", "boot", "unselected", "missing", "installed"}) {
        files.push_back(imageFile("VK7101", 1, file));
    }
    files.push_back(imageFile("VK7102", 1, "other"));
    files[1].UpdatePass = 2;
    files[2].IsBusFpga = files[3].IsBootLoader = files[5].IsMissing = true;
    files[4].IsSelected = false;
    setCatalogue(files);
    makeTarget({{"VK7101", 10}, {"VK7102", 11}});
    for (int32_t k = 0; k < 7; ++k) {
        addMatch(table[0], k, k == 6);
    }
    addMatch(table[1], 7);
    table[1].failedPass = 1;
    EXPECT_THAT(printed([&] { transferFiles(run(), 1); }), testing::HasSubstr("fw "));
    EXPECT_EQ(run().transferred, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(printed([&] { transferFiles(run(), 3); }), "");
    EXPECT_EQ(pool.getErrorCount(), 0u);
}

// The failed file fails for its board, whose other files go on; one error code stops the update.
TEST_F(StageTest, FailedTransferStopsTheUpdateOnlyOnTheStopCode) {
    for (const auto& [code, stop] : {std::pair{"0x0140003B", 1u}, std::pair{"0x01400039", 0u}}) {
        SCOPED_TRACE(code);
        TearDown();
        SetUp();
        setCatalogue({imageFile("VK7101", 1, "bad.vkim"), imageFile("VK7101", 3, "good.vkim")});
        makeTarget({{"VK7101", 10}},
                   faultOn("transferFile", {{"match", "bad.vkim"}, {"errorCode", code}}));
        addMatch(table[0], 0);
        addMatch(table[0], 1);
        moduleState().transferStop = 0;
        printed([&] { transferFiles(run(), 1); });
        EXPECT_EQ(moduleState().transferStop, stop);
        EXPECT_EQ(table[0].fileFailed[0] * 10 + table[0].fileFailed[1], 10);
        EXPECT_EQ(table[0].failedPass, 0u);
        EXPECT_EQ(run().transferred, (std::vector<uint8_t>{0, 1}));
    }
}

TEST_F(StageTest, BootLoaderIsWrittenOnlyWhenNewerOnBoardsThatCarryOne) {
    struct Case {
        bool hasBootloader, hasBootloader3;
        const char* installed13;
        const char* installed15;
        bool fileMissing;
        const char* faultCall;
        bool result;
        const char* error;  // a part of the pool's last entry, "" for none
        bool paused;
    };
    const char* const kWriteError = "Updating boot loader on device with S/N 10 with file";
    for (const Case& c :
         {Case{true, false, "2.0", "", false, "", true, "", false},
          Case{true, false, "1.9", "", false, "", true, "", true},
          Case{true, true, "1.0", "2.0", false, "", true, "", false},
          Case{false, false, "1.0", "", false, "", true, "", false},
          Case{true, false, "1.0", "", true, "", false, "The file does not exist.", true},
          Case{true, false, "1.0", "", false, "createFTClientHandle", false,
               "VkLnk_createFTClientHandle failed (simulated fault", true},
          Case{true, false, "1.0", "", false, "putFileU", false, kWriteError, true},
          Case{true, false, "1.0", "", false, "deleteFTClientHandle", false,
               "VkLnk_deleteFTClientHandle failed", true}}) {
        SCOPED_TRACE(std::string(c.installed13) + c.faultCall + (c.fileMissing ? "missing" : ""));
        TearDown();
        SetUp();
        UpdateFileRecord bootLoader = imageFile("VK7101", 10, "boot.bin", "2.0", 0);
        bootLoader.IsBootLoader = true;
        bootLoader.IsMissing = c.fileMissing;
        bootLoader.TargetFileName = "boot.bin";
        setCatalogue({bootLoader});
        makeTarget({{"VK7101", 10}}, *c.faultCall ? faultOn(c.faultCall) : Json::array());
        BoardRecord& board = table[0];
        addMatch(board, 0);
        board.hasBootloader = c.hasBootloader;
        board.hasBootloader3 = c.hasBootloader3;
        board.installedVersion(13) = VkCVersion(c.installed13);
        board.installedVersion(15) = VkCVersion(c.installed15);
        const uint64_t before = slept();
        const size_t errorLists = VkCErrorManager::getInstance().getErrorListCount();
        bool result = !c.result;
        const std::string out = printed([&] { result = updateBootLoader(run()); });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(out.empty(), !c.paused);
        EXPECT_EQ(board.fileFailed[0], c.result ? 0 : 1);
        EXPECT_THAT(lastError(pool), testing::HasSubstr(c.error));
        EXPECT_EQ(lastError(pool).empty(), !*c.error);
        EXPECT_EQ(slept() - before, c.paused ? kBootLoaderPauseMicroseconds : 0u);
        EXPECT_EQ(vksim::openFtClientCount(), 0u) << "every client is released";
        EXPECT_EQ(VkCErrorManager::getInstance().getErrorListCount(), errorLists);
        EXPECT_EQ(fs::exists(targets.cfdriveFile(name, "boot.bin")),
                  (c.result && c.paused) || std::string(c.faultCall) == "deleteFTClientHandle");
    }
}

class StartUpdates : public StageTest {
  protected:
    // Board 10 (VK7101) with two files of pass 1, board 11 (VK7102) with one; all transferred.
    void twoBoards(const Json& faults = Json::array()) {
        setCatalogue({imageFile("VK7101", 1, "a.vkim"), imageFile("VK7101", 3, "b.vkim"),
                      imageFile("VK7102", 1, "c.vkim")});
        makeTarget({{"VK7101", 10}, {"VK7102", 11}}, faults);
        addMatch(table[0], 0);
        addMatch(table[0], 1);
        addMatch(table[1], 2);
        printed([&] { transferFiles(run(), 1); });
    }
};

TEST_F(StartUpdates, AFailedStartFailsTheBoardWhoseLaterFilesStillStart) {
    twoBoards(faultOn("update", {{"match", "10"}, {"times", 1}}));
    table[1].failedPass = 1;
    HostRecorder host(
        [](const ParameterSet& e) { return e.eventCode == EvFilePermission ? 1u : 7u; });
    const uint64_t before = slept();
    EXPECT_THAT(
        printed([&] { startUpdates(run(), 1); }),
        testing::HasSubstr("VK7101, SN: 10: Firmware" + std::string(24, ' ') + "[ERROR]\n"));
    EXPECT_EQ(slept() - before, kStartPauseMicroseconds);
    EXPECT_EQ(host.codes(), (Codes{EvStageOpen, EvFilePermission, EvUpdateStartFailed,
                                   EvFilePermission, EvBoardSkipped, EvStageClose}));
    const ParameterSet failed = host.withCode(EvUpdateStartFailed).at(0);
    EXPECT_EQ(Codes({failed.value1, failed.value2, failed.value3, failed.value4}),
              (Codes{7, 1, 0, 0}));
    EXPECT_EQ(host.withCode(EvBoardSkipped).at(0).value1, 1u);
    EXPECT_EQ(table[0].failedPass, 1u);
    EXPECT_EQ(table[0].fileFailed[0] * 10 + table[0].fileFailed[1], 10);
    EXPECT_EQ(run().startedCount, 1u);
}

// One started file of board 10: the status stage follows it to its end, the error stage
// closes the (silent) progress line.
TEST_F(StageTest, StatusAndErrorsDecideTheFileAndTheBoard) {
    struct Case {
        Json faults;
        uint32_t stallSeconds;
        bool vetoStatus;  // the host vetoes every file of the status and error stages
        bool updated;
        size_t endedEvents;
        const char* boardError;
    };
    for (const Case& c :
         {Case{Json::array(), 0, false, true, 1, ""},
          Case{faultOn("updateStatus", {{"times", 1}}), 0, false, false, 1, "updateStatus failed"},
          Case{faultOn("updateStatus", {{"times", 2}}), 0, false, false, 0, "updateStatus failed"},
          Case{faultOn("updateStatus", {{"status", 0}}), 0, false, false, 1, ""},
          Case{faultOn("updateStatus", {{"status", 3}}), 0, false, false, 1, ""},
          Case{faultOn("updateStatus", {{"status", 1}}), 1, false, false, 1, "made no progress"},
          Case{Json::array(), 1, true, false, 1, "made no progress for 1 seconds"}}) {
        SCOPED_TRACE(c.faults.dump() + std::to_string(c.vetoStatus));
        TearDown();
        SetUp();
        setCatalogue({imageFile("VK7101", 1, "a.vkim")});
        makeTarget({{"VK7101", 10}}, c.faults, 2);
        addMatch(table[0], 0);
        options.silent = true;
        run().stallLimitSeconds = c.stallSeconds;
        printed([&] {
            transferFiles(run(), 1);
            startUpdates(run(), 1);
        });
        ASSERT_EQ(run().startedCount, 1u);
        HostRecorder host([&](const ParameterSet& e) {
            return e.eventCode == EvFilePermission ? (c.vetoStatus ? 2u : 1u) : 0u;
        });
        const std::string output = printed([&] {
            pollUpdateStatus(run(), 1);
            collectUpdateErrors(run(), 1);
        });
        EXPECT_EQ(output, "\n" + std::string(56, ' ') + (c.updated ? "[OK]\n" : "[ERROR]\n"));
        const BoardRecord& board = table[0];
        EXPECT_EQ(board.fileUpdated[0], c.updated ? 1 : 0);
        EXPECT_EQ(board.fileFailed[0], c.updated ? 0 : 1);
        EXPECT_EQ(board.failedPass, c.updated ? 0u : 1u);
        EXPECT_EQ(run().finishedCount, 1u);
        EXPECT_EQ(host.withCode(EvUpdateEnded).size(), c.endedEvents);
        EXPECT_EQ(host.withCode(EvUpdateErrorsDone).size(), 1u);
        EXPECT_THAT(lastError(*board.errorPool), testing::HasSubstr(c.boardError));
        EXPECT_EQ(lastError(*board.errorPool).empty(), !*c.boardError);
    }
}

class BusFpgaUpdate : public StageTest {
  protected:
    UpdateFileRecord busFile(const std::string& name, const std::string& targetName) {
        UpdateFileRecord file = imageFile("VK7101", 3, name);
        file.IsBusFpga = true;
        file.TypeName = "FPGA file";
        file.TargetFileName = targetName.c_str();
        return file;
    }
    void oneBoard(const std::vector<UpdateFileRecord>& files, const Json& faults = Json::array()) {
        setCatalogue(files);
        makeTarget({{"VK7101", 10}}, faults);
        for (size_t k = 0; k < files.size(); ++k) {
            addMatch(table[0], static_cast<int32_t>(k));
        }
    }
};

TEST_F(BusFpgaUpdate, MakesMissingFoldersAfterAFirstAttemptThatLeavesNoError) {
    oneBoard({busFile("bus.bit", "fpga/v2/bus.bit")});
    HostRecorder host;
    const uint64_t before = slept();
    printed([&] { updateBusFpgaFiles(run(), 1); });
    EXPECT_EQ(pool.getErrorCount(), 0u) << lastError(pool);
    EXPECT_TRUE(fs::exists(targets.cfdriveFile(name, "fpga/v2/bus.bit")));
    EXPECT_TRUE(table[0].filesUpdateOk);
    EXPECT_EQ(host.codes(), (Codes{EvStageOpen, EvFileProgress, EvBusFpgaWritten, EvStageClose}));
    EXPECT_EQ(slept() - before, kBusFpgaPauseMicroseconds);
}

TEST_F(BusFpgaUpdate, FailuresFailOnlyThatFile) {
    struct Case {
        const char* faultCall;
        std::string targetName;
        const char* error;  // a part of the pool's last entry
    };
    for (const Case& c : {Case{"makeDir", "fpga/bus.bit", "Updating file 'bus.bit' failed."},
                          Case{"renameFile", "new/bus.bit", "Updating file 'bus.bit' failed."},
                          Case{"deleteFTClientHandle", "bus.bit", "Updating file 'bus.bit'"},
                          Case{"createFTClientHandle", "bus.bit", "VkLnk_createFTClientHandle"},
                          Case{"", std::string(239, 'n'), "(239 characters, at most 238)"}}) {
        SCOPED_TRACE(c.faultCall);
        TearDown();
        SetUp();
        oneBoard({busFile("bus.bit", c.targetName)},
                 *c.faultCall ? faultOn(c.faultCall) : Json::array());
        const size_t errorLists = VkCErrorManager::getInstance().getErrorListCount();
        EXPECT_THAT(printed([&] { updateBusFpgaFiles(run(), 1); }), testing::EndsWith("[ERROR]\n"));
        EXPECT_THAT(lastError(pool), testing::HasSubstr(c.error));
        EXPECT_TRUE(table[0].filesUpdateFailed);
        EXPECT_EQ(table[0].fileFailed[0], 1);
        EXPECT_EQ(table[0].failedPass, 0u);
        EXPECT_EQ(vksim::openFtClientCount(), 0u) << "every client is released";
        EXPECT_EQ(VkCErrorManager::getInstance().getErrorListCount(), errorLists);
    }
}

TEST_F(BusFpgaUpdate, AnExceptionFailsOnlyTheFileAtHand) {
    oneBoard({busFile("first.bit", "first.bit"), busFile("second.bit", "second.bit")});
    bool thrown = false;
    HostRecorder host([&](const ParameterSet& e) -> uint32_t {
        if (e.eventCode == EvFileProgress && !thrown) {
            thrown = true;
            throw std::runtime_error("host failure");
        }
        return 0;
    });
    printed([&] { updateBusFpgaFiles(run(), 1); });
    EXPECT_EQ(host.codes(), (Codes{EvStageOpen, EvFileProgress, EvBusFpgaException, EvFileProgress,
                                   EvBusFpgaWritten, EvStageClose}));
    EXPECT_EQ(table[0].fileFailed[0] * 10 + table[0].fileFailed[1], 10);
    EXPECT_EQ(vksim::openFtClientCount(), 0u);
}

}  // namespace
