// The transfer stage and the boot loader update against a simulated target.
#include <gtest/gtest.h>

#include <filesystem>

#include "VkNRtosAbstraction.h"
#include "sim/handles.h"
#include "update/boot_loader_update.h"
#include "update/file_transfer.h"
#include "update/update_stage_fixture.h"

namespace {

using namespace update_test;

class TransferTest : public UpdateStageTest {};

TEST_F(TransferTest, TransfersOnlyTheOrdinaryFilesOfThePassForBoardsThatGoOn) {
    UpdateFileRecord laterPass = imageFile("VK7101", 1, "later.vkim", "2.0", 2);
    UpdateFileRecord bus = imageFile("VK7101", 3, "bus.bit");
    bus.IsBusFpga = true;
    UpdateFileRecord bootLoader = imageFile("VK7101", 10, "boot.bin");
    bootLoader.IsBootLoader = true;
    UpdateFileRecord notSelected = imageFile("VK7101", 3, "fpga.vkim");
    notSelected.IsSelected = false;
    UpdateFileRecord missing = imageFile("VK7101", 2, "missing.vkim");
    missing.IsMissing = true;
    setCatalogue({imageFile("VK7101", 1, "fw.vkim"), laterPass, bus, bootLoader, notSelected,
                  missing, imageFile("VK7101", 14, "installed.vkim"),
                  imageFile("VK7102", 1, "other.vkim")});
    makeTarget({ioRouter("VK7101", 10), ioRouter("VK7102", 11)});
    for (int32_t k = 0; k < 7; ++k) {
        addMatch(table[0], k, k == 6);
    }
    addMatch(table[1], 7);
    table[1].failedPass = 1;

    EXPECT_EQ(printed([&] { transferFiles(run(), 1); }),
              "\n\nTransferring files:\n" + updateLine("fw.vkim", "[OK]"));
    EXPECT_EQ(run().transferred, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(printed([&] { transferFiles(run(), 3); }), "");
    EXPECT_EQ(pool.getErrorCount(), 0u);
}

struct TransferFailure {
    const char* errorCode;
    uint32_t transferStop;
};

class TransferFailures : public UpdateStageTest,
                         public ::testing::WithParamInterface<TransferFailure> {};

// The failed file fails for its board (so the results list it); the board's other files go
// on; only one error code stops the update.
TEST_P(TransferFailures, FailTheFileAndStopOnlyOnTheStopCode) {
    setCatalogue({imageFile("VK7101", 1, "bad.vkim"), imageFile("VK7101", 3, "good.vkim")});
    makeTarget({ioRouter("VK7101", 10)}, std::string(R"([{"call": "transferFile", "match": )") +
                                             R"("bad.vkim", "errorCode": ")" +
                                             GetParam().errorCode + "\"}]");
    addMatch(table[0], 0);
    addMatch(table[0], 1);
    moduleState().transferStop = 0;

    EXPECT_EQ(printed([&] { transferFiles(run(), 1); }), "\n\nTransferring files:\n" +
                                                             updateLine("bad.vkim", "[ERROR]") +
                                                             updateLine("good.vkim", "[OK]"));
    EXPECT_EQ(moduleState().transferStop, GetParam().transferStop);
    EXPECT_EQ(table[0].fileFailed[0], 1);
    EXPECT_EQ(table[0].fileFailed[1], 0);
    EXPECT_EQ(table[0].failedPass, 0u);
    EXPECT_EQ(run().transferred, (std::vector<uint8_t>{0, 1}));
}

INSTANTIATE_TEST_SUITE_P(Codes, TransferFailures,
                         ::testing::Values(TransferFailure{"0x0140003B", 1},
                                           TransferFailure{"0x01400039", 0}));

const char* const kClientNotDeleted = R"([{"call": "deleteFTClientHandle"}])";

struct BootLoaderCase {
    const char* name;
    bool hasBootloader;
    bool hasBootloader3;
    const char* installed13;
    const char* installed15;
    bool fileMissing;
    const char* faults;
    bool verbose;
    bool result;
    std::string output;  // "<line OK>" / "<line ERROR>" stand for the file's line
    std::string error;   // text of the pool's last entry, "" for none
    bool paused;
};

class BootLoaderUpdate : public UpdateStageTest,
                         public ::testing::WithParamInterface<BootLoaderCase> {};

std::string expandLines(std::string text) {
    for (const auto& [marker, status] :
         {std::pair<std::string, std::string>{"<line OK>", "[OK]"}, {"<line ERROR>", "[ERROR]"}}) {
        const size_t at = text.find(marker);
        if (at != std::string::npos) {
            text.replace(at, marker.size(), updateLine("boot.bin", status));
        }
    }
    return text;
}

TEST_P(BootLoaderUpdate, WritesOnlyNewerBootLoadersOfBoardsThatCarryOne) {
    const BootLoaderCase& c = GetParam();
    UpdateFileRecord bootLoader = imageFile("VK7101", 10, "boot.bin", "2.0", 0);
    bootLoader.IsBootLoader = true;
    bootLoader.IsMissing = c.fileMissing;
    bootLoader.TargetFileName = "boot.bin";
    setCatalogue({bootLoader});
    makeTarget({ioRouter("VK7101", 10)}, c.faults);
    BoardRecord& board = table[0];
    addMatch(board, 0);
    board.hasBootloader = c.hasBootloader;
    board.hasBootloader3 = c.hasBootloader3;
    board.installedVersion(13) = VkCVersion(c.installed13);
    board.installedVersion(15) = VkCVersion(c.installed15);
    moduleState().verboseOutput = c.verbose;
    const uint64_t sleptBefore = VkNRtosAbstraction::requestedSleepMicroseconds();
    const size_t errorLists = VkCErrorManager::getInstance().getErrorListCount();

    bool result = !c.result;
    EXPECT_EQ(printed([&] { result = updateBootLoader(run()); }), expandLines(c.output)) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(board.fileFailed[0], c.result ? 0 : 1) << c.name;
    const uint32_t entries = pool.getEntryCount();
    EXPECT_EQ(entries == 0 ? std::string() : pool.getErrorText(entries - 1).str(), c.error)
        << c.name;
    EXPECT_EQ(VkNRtosAbstraction::requestedSleepMicroseconds() - sleptBefore,
              c.paused ? 1000000u : 0u)
        << c.name;
    EXPECT_EQ(vksim::openFtClientCount(), 0u) << c.name << ": every client is released";
    EXPECT_EQ(VkCErrorManager::getInstance().getErrorListCount(), errorLists) << c.name;
    const bool onTheDrive = std::filesystem::exists(target->cfdriveFile("boot.bin"));
    EXPECT_EQ(onTheDrive, (c.result && c.paused) || c.faults == kClientNotDeleted) << c.name;
}

const std::string kWritten = "\nUpdating boot loader:\n<line OK>";
const std::string kFailed =
    "\nUpdating boot loader:\n<line ERROR>\n\nERROR: Updating boot loader failed. Please "
    "reboot your device and restart the update!\nIf the problem persists, please contact Velkor "
    "support.\n";
const std::string kWriteError =
    "Updating boot loader on device with S/N 10 with file 'boot.bin' failed.";
const std::string kSimulated = "(simulated fault faults[0] of target \"stages\").";

INSTANTIATE_TEST_SUITE_P(
    Cases, BootLoaderUpdate,
    ::testing::Values(
        BootLoaderCase{"equal", true, false, "2.0", "", false, "[]", false, true, "", "", false},
        BootLoaderCase{"equal, verbose", true, false, "2.0", "", false, "[]", true, true,
                       "\nBoot loader on device with S/N 10 is up-to-date (v2.0).\n", "", false},
        BootLoaderCase{"newer", true, false, "1.9", "", false, "[]", false, true, kWritten, "",
                       true},
        BootLoaderCase{"third entry decides", true, true, "1.0", "2.0", false, "[]", false, true,
                       "", "", false},
        BootLoaderCase{"no boot loader flag", false, false, "1.0", "", false, "[]", false, true, "",
                       "", false},
        BootLoaderCase{
            "missing and newer", true, false, "1.0", "", true, "[]", false, false, kFailed,
            kWriteError.substr(0, kWriteError.size() - 1) + ". The file does not exist.", true},
        BootLoaderCase{"no file-transfer client", true, false, "1.0", "", false,
                       R"([{"call": "createFTClientHandle"}])", false, false, kFailed,
                       "VkLnk_createFTClientHandle failed " + kSimulated, true},
        BootLoaderCase{"put fails", true, false, "1.0", "", false, R"([{"call": "putFileU"}])",
                       false, false, kFailed, kWriteError, true},
        BootLoaderCase{"client not deleted", true, false, "1.0", "", false, kClientNotDeleted,
                       false, false, kFailed, "VkLnk_deleteFTClientHandle failed " + kSimulated,
                       true}),
    [](const ::testing::TestParamInfo<BootLoaderCase>& info) {
        return std::to_string(info.index);
    });

}  // namespace
