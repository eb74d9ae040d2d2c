#include <fcntl.h>
#include <unistd.h>

#include <functional>

#include "VkNInventoryIDs.h"
#include "sim/Images.h"
#include "sim/SimErrors.h"
#include "update_test_support.h"

namespace simtest {
namespace {

namespace Ids = VkNInventoryIDs;

uint32_t checksumOf(const std::string& path) {
    vksim::ImageInfo info;
    std::string problem;
    EXPECT_TRUE(vksim::inspectImage(path, info, problem)) << problem;
    return info.checksum;
}

void corruptByte(const std::string& path, off_t offset) {
    const int fd = ::open(path.c_str(), O_RDWR);
    char byte = 0;
    ASSERT_EQ(::pread(fd, &byte, 1, offset), 1);
    byte = static_cast<char>(byte ^ 0x5A);
    ASSERT_EQ(::pwrite(fd, &byte, 1, offset), 1);
    ::close(fd);
}

TEST_F(UpdateTest, FullCycleThroughTheCallsEndsInTheSavedTargetFile) {
    const std::string image = makeImage("fw-3.3.0.bin", "3.3.0");
    const VkNInventoryManager::VkSRemoteFileHandle remote = transfer(image);
    ASSERT_EQ(start(remote, 1), 0) << lastErrorText(boardPool_);
    const std::vector<StatusAnswer> answers = pollToEnd();
    ASSERT_EQ(answers.size(), 4u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(answers[i].status, 1u);
        EXPECT_EQ(answers[i].done, i + 1);
        EXPECT_EQ(answers[i].total, 4u);
    }
    EXPECT_EQ(answers[3].status, 2u);
    EXPECT_EQ(answers[3].done, 4u);
    EXPECT_EQ(manager_->updateErrors(boardPool_, open_.root, hcnAddress(), open_.lock), 0);
    EXPECT_EQ(boardPool_.getEntryCount(), 0u);
    EXPECT_EQ(manager_->updateFinish(open_.pool, open_.root, hcnAddress(), open_.lock), 0);
    EXPECT_EQ(manager_->deleteRemoteFile(open_.pool, open_.root, hcnAddress(), open_.lock, remote),
              0);
    EXPECT_EQ(manager_->unlock(open_.pool, open_.lock), 0);
    open_.lock = nullptr;
    EXPECT_EQ(open_.pool.getErrorCount(), 0u) << lastErrorText(open_.pool);

    const Json firmware = savedItem({"FIRMWARE"});
    EXPECT_EQ(firmware["params"]["VERSION"], "3.3") << "the version as the target writes it";
    EXPECT_EQ(firmware["params"]["CHECKSUM_CRC32"], checksumOf(image));
    EXPECT_EQ(firmware["params"]["TIMESTAMP"], "2024-05-01 10:00:00");
    EXPECT_EQ(firmware["params"]["VERSION_HISTORY"],
              "2024-01-01 10:00:00 3.2.1\n2024-05-01 10:00:00 3.3");
    EXPECT_EQ(savedItem({"PRODUCT"})["params"]["SYSTEM_CLASS"], "0x20001")
        << "values the update does not touch keep their written form";

    VkCInventoryItem* tree = nullptr;
    ASSERT_EQ(manager_->scan(open_.pool, open_.root, tree), 0);
    VkCVersion version;
    tree->getValue(open_.pool, Ids::HCN / Ids::FIRMWARE / Ids::VERSION, version);
    EXPECT_EQ(version.getAsString(), "3.3");
    manager_->deleteInventoryTree(tree);
}

struct PartCase {
    uint32_t type;
    std::vector<std::string> path;
};

void PrintTo(const PartCase& c, std::ostream* os) {
    *os << "type " << c.type;
}

class UpdatePartTest : public UpdateTest, public ::testing::WithParamInterface<PartCase> {};

TEST_P(UpdatePartTest, TypeNamesThePartThatIsWritten) {
    const std::string image = makeImage("part.bin", "7.1");
    ASSERT_EQ(start(transfer(image), GetParam().type), 0) << lastErrorText(boardPool_);
    ASSERT_EQ(pollToEnd().back().status, 2u);
    const Json part = savedItem(GetParam().path);
    EXPECT_EQ(part["params"]["VERSION"], "7.1") << part.dump();
    EXPECT_EQ(part["params"]["CHECKSUM_CRC32"], checksumOf(image));
    const std::string history = part["params"]["VERSION_HISTORY"];
    const std::string line = "2024-05-01 10:00:00 7.1";
    EXPECT_EQ(history, GetParam().type == 1 ? "2024-01-01 10:00:00 3.2.1\n" + line : line);
    if (GetParam().type != 1) {
        EXPECT_EQ(savedItem({"FIRMWARE"})["params"]["VERSION"], "3.2.1");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Slots, UpdatePartTest,
    ::testing::Values(
        PartCase{1, {"FIRMWARE"}}, PartCase{2, {"FIRMWARE[2]"}}, PartCase{3, {"FPGAFIRMWARE"}},
        PartCase{4, {"FPGAFIRMWARE[2]"}}, PartCase{5, {"CNCPUCONFIGURATION"}},
        PartCase{6, {"IPLFIRMWARE[2]"}}, PartCase{7, {"IPLFIRMWARE"}}, PartCase{8, {"CNFIRMWARE"}},
        PartCase{9, {"CNIPLFIRMWARE"}}, PartCase{10, {"HARDWARE", "BOOTLOADER[2]"}},
        PartCase{11, {"IOFPGA", "FPGAFIRMWARE"}}, PartCase{12, {"IOFPGA", "FPGAFIRMWARE[2]"}},
        PartCase{13, {"IOFPGA", "FPGAFIRMWARE[3]"}}, PartCase{14, {"UPDATE_INFO", "INFO"}}));

TEST_F(UpdateTest, HypervisorUpdateFindsTheEntryWithId14) {
    Json target = standardTarget();
    target["inventory"][0]["items"].push_back(Json::parse(R"({"id": "UPDATE_INFO", "items": [
        {"id": "INFO", "params": {"ID": 12, "VERSION": "1.0"}},
        {"id": "INFO[2]", "params": {"ID": {"type": "UInt32", "value": 14},
                                     "VERSION": {"type": "Version", "value": "1.0"}}}]})"));
    setTarget(target);
    ASSERT_EQ(start(transfer(makeImage("hv.bin", "2.5")), 14), 0);
    ASSERT_EQ(pollToEnd().back().status, 2u);
    EXPECT_EQ(savedItem({"UPDATE_INFO", "INFO"})["params"]["VERSION"], "1.0");
    EXPECT_EQ(savedItem({"UPDATE_INFO", "INFO[2]"})["params"]["VERSION"],
              Json::parse(R"({"type": "Version", "value": "2.5"})"))
        << "a typed parameter keeps its typed form";
}

TEST_F(UpdateTest, ElfImageCarriesVersionAndChecksumInItsInventory) {
    const std::string image = makeImage("fw.elf", "2.0", true);
    ASSERT_EQ(start(transfer(image), 1), 0);
    ASSERT_EQ(pollToEnd().back().status, 2u);
    const Json firmware = savedItem({"FIRMWARE"});
    EXPECT_EQ(firmware["params"]["VERSION"], "2.0");
    EXPECT_EQ(firmware["params"]["CHECKSUM_CRC32"], checksumOf(image));
}

// Writes an image into folder and returns its path.
std::string writeImage(const std::string& folder, const std::string& name, bool elf) {
    const std::string path = folder + "/" + name;
    std::string error;
    EXPECT_TRUE(elf ? vksim::writeElfImage(path, "3.3", std::nullopt, 4096, error)
                    : vksim::writeVkimImage(path, "3.3", 4096, error))
        << error;
    return path;
}

struct BadImageCase {
    const char* name;
    std::function<std::string(const std::string& folder)> make;
    const char* why;
};

void PrintTo(const BadImageCase& c, std::ostream* os) {
    *os << c.name;
}

class BadImageTest : public UpdateTest, public ::testing::WithParamInterface<BadImageCase> {};

TEST_P(BadImageTest, UpdateEndsFailedWithTheErrorInTheBoardPool) {
    const std::string before = readFile(folder_ + "/target.json");
    const std::string file = GetParam().make(temp_.path());
    ASSERT_EQ(start(transfer(file), 1), 0) << "the target checks the image while updating";
    const std::vector<StatusAnswer> answers = pollToEnd();
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers.back().status, 0u);
    EXPECT_EQ(answers.back().errorsAdded, 1u);
    EXPECT_EQ(lastErrorCode(boardPool_), vksim::kErrUpdateEnded);
    EXPECT_EQ(boardPool_.getOriginNode(boardPool_.getEntryCount() - 1), 4711u);
    const std::string text = lastErrorText(boardPool_);
    EXPECT_EQ(text.rfind("Update of Firmware on board VK7101 S/N 4711 (ROOT/HCN) failed: the "
                         "file ",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find(GetParam().why), std::string::npos) << text;
    const StatusAnswer again = status();
    EXPECT_EQ(again.status, 0u) << "the end stays failed";
    EXPECT_EQ(again.errorsAdded, 0u) << "its error comes once";
    EXPECT_EQ(readFile(folder_ + "/target.json"), before);
    boardPool_.reset();
    EXPECT_EQ(manager_->updateErrors(boardPool_, open_.root, hcnAddress(), open_.lock), 0);
    EXPECT_EQ(lastErrorText(boardPool_), text);
}

INSTANTIATE_TEST_SUITE_P(
    Images, BadImageTest,
    ::testing::Values(BadImageCase{"CorruptVkim",
                                   [](const std::string& folder) {
                                       const std::string path =
                                           writeImage(folder, "bad.bin", false);
                                       corruptByte(path, 100);
                                       return path;
                                   },
                                   "does not match its content"},
                      BadImageCase{"CorruptElf",
                                   [](const std::string& folder) {
                                       const std::string path = writeImage(folder, "bad.elf", true);
                                       corruptByte(path, 0x50);
                                       return path;
                                   },
                                   "does not match its content"},
                      BadImageCase{"Unrecognised",
                                   [](const std::string& folder) {
                                       writeFile(folder + "/notes.txt", "just text, no image");
                                       return folder + "/notes.txt";
                                   },
                                   "notes.txt is no firmware image the target recognises"},
                      BadImageCase{"ElfForAnotherType",
                                   [](const std::string& folder) {
                                       std::string error;
                                       vksim::writeElfImage(folder + "/hv.elf", "1.0", 14u, 64,
                                                            error);
                                       return folder + "/hv.elf";
                                   },
                                   "hv.elf holds Hypervisor firmware"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateTest, StatusFaultEndsTheUpdateWithThatStatus) {
    setFaults(R"([{"call": "updateStatus", "status": 5, "match": 4711}])");
    const std::string before = readFile(folder_ + "/target.json");
    ASSERT_EQ(start(transfer(makeImage("a.bin", "4.0")), 1), 0);
    const std::vector<StatusAnswer> answers = pollToEnd();
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers.back().status, 5u);
    EXPECT_EQ(answers.back().errorsAdded, 0u);
    EXPECT_EQ(readFile(folder_ + "/target.json"), before);
    EXPECT_EQ(manager_->updateErrors(boardPool_, open_.root, hcnAddress(), open_.lock), 0);
    EXPECT_EQ(lastErrorText(boardPool_),
              "Update of Firmware on board VK7101 S/N 4711 (ROOT/HCN) ended with status 5.");
}

TEST_F(UpdateTest, StatusFaultOfOneKeepsTheUpdateRunning) {
    setFaults(R"([{"call": "updateStatus", "status": 1, "times": 2}])");
    ASSERT_EQ(start(transfer(makeImage("a.bin", "4.0")), 1), 0);
    const std::vector<StatusAnswer> answers = pollToEnd();
    ASSERT_EQ(answers.size(), 6u);
    EXPECT_EQ(answers[4].status, 1u);
    EXPECT_EQ(answers.back().status, 2u);
}

TEST_F(UpdateTest, StatusFaultForAnotherBoardDoesNotFire) {
    setFaults(R"([{"call": "updateStatus", "status": 0, "match": "815"}])");
    ASSERT_EQ(start(transfer(makeImage("a.bin", "4.0")), 1), 0);
    EXPECT_EQ(pollToEnd().back().status, 2u);
}

TEST_F(UpdateTest, UpdatesOfOneBoardRunOneAfterTheOther) {
    Json target = standardTarget();
    target["updatePolls"] = 1;
    setTarget(target);
    ASSERT_EQ(start(transfer(makeImage("fw.bin", "4.0")), 1), 0);
    ASSERT_EQ(start(transfer(makeImage("fpga.bin", "9.0")), 3), 0);
    std::vector<uint32_t> statuses;
    for (int i = 0; i < 4; ++i) {
        statuses.push_back(status().status);
    }
    EXPECT_EQ(statuses, (std::vector<uint32_t>{1, 2, 1, 2}));
    EXPECT_EQ(savedItem({"FIRMWARE"})["params"]["VERSION"], "4.0");
    EXPECT_EQ(savedItem({"FPGAFIRMWARE"})["params"]["VERSION"], "9.0");
    EXPECT_NE(status().result, 0) << "no update is left";
    EXPECT_EQ(lastErrorText(boardPool_),
              "No update is running on board VK7101 S/N 4711 (ROOT/HCN).");
}

TEST_F(UpdateTest, NoPollsFinishAtTheFirstQueryOnASubBoard) {
    Json target = standardTarget();
    target["updatePolls"] = 0;
    setTarget(target);
    ASSERT_EQ(start(transfer(makeImage("io.bin", "1.1")), 11, ionAddress()), 0);
    const StatusAnswer answer = status(ionAddress());
    EXPECT_EQ(answer.status, 2u);
    EXPECT_EQ(answer.done, 1u);
    EXPECT_EQ(answer.total, 1u);
}

TEST_F(UpdateTest, StartIsRefusedForBadArguments) {
    const VkNInventoryManager::VkSRemoteFileHandle remote = transfer(makeImage("a.bin", "1.0"));
    EXPECT_NE(start(remote, 0), 0);
    EXPECT_EQ(lastErrorText(boardPool_),
              "Board VK7101 S/N 4711 (ROOT/HCN) has no part for firmware type 0.");
    EXPECT_NE(start(remote, 15), 0);
    EXPECT_EQ(lastErrorCode(boardPool_), vksim::kErrFirmwareType);
    EXPECT_NE(start(remote, 1, Ids::ROOT / Ids::CN), 0);
    EXPECT_EQ(lastErrorCode(boardPool_), vksim::kErrNoSuchNode);
    EXPECT_NE(start(VkNInventoryManager::VkSRemoteFileHandle{"/var/staging", "9_none.bin"}, 1), 0);
    EXPECT_EQ(lastErrorCode(boardPool_), vksim::kErrRemoteFile);
    EXPECT_EQ(boardPool_.getOriginNode(boardPool_.getEntryCount() - 1), 4711u);
    EXPECT_NE(manager_->update(boardPool_, open_.root, hcnAddress(), nullptr, remote,
                               VkNInventoryManager::FwFirmware, 0),
              0);
    EXPECT_EQ(lastErrorCode(boardPool_), vksim::kErrNotLocked);
    EXPECT_NE(status().result, 0);
    EXPECT_EQ(lastErrorCode(boardPool_), vksim::kErrUpdateState);
}

TEST_F(UpdateTest, ResetEndsRunningUpdates) {
    ASSERT_EQ(start(transfer(makeImage("a.bin", "1.0")), 1), 0);
    EXPECT_EQ(status().status, 1u);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(open_.pool, open_.device, 0), 0);
    EXPECT_NE(status().result, 0);
    EXPECT_EQ(savedItem({"FIRMWARE"})["params"]["VERSION"], "3.2.1");
}

TEST_F(UpdateTest, UpdateFinishDropsTheNodesUpdates) {
    ASSERT_EQ(start(transfer(makeImage("a.bin", "1.0")), 11, ionAddress()), 0);
    EXPECT_EQ(manager_->updateFinish(open_.pool, open_.root, hcnAddress(), open_.lock), 0);
    EXPECT_NE(status(ionAddress()).result, 0) << "the I/O node lies below the processing unit";
    EXPECT_NE(manager_->updateFinish(open_.pool, open_.root, Ids::ROOT / Ids::CN, open_.lock), 0);
}

TEST_F(UpdateTest, FaultsOfTheUpdateCalls) {
    setFaults(R"([
        {"call": "update", "match": "4711", "times": 1, "errorCode": 100},
        {"call": "updateStatus", "times": 1, "errorCode": 101},
        {"call": "updateErrors", "times": 1, "errorCode": 102},
        {"call": "updateFinish", "times": 1, "errorCode": 103}])");
    const VkNInventoryManager::VkSRemoteFileHandle remote = transfer(makeImage("a.bin", "1.0"));
    EXPECT_NE(start(remote, 1), 0);
    EXPECT_EQ(lastErrorCode(boardPool_), 100u);
    EXPECT_EQ(boardPool_.getOriginNode(0), 4711u);
    ASSERT_EQ(start(remote, 1), 0);
    const StatusAnswer failed = status();
    EXPECT_NE(failed.result, 0);
    EXPECT_EQ(failed.errorsAdded, 1u);
    EXPECT_EQ(lastErrorCode(boardPool_), 101u);
    EXPECT_EQ(pollToEnd().back().status, 2u) << "a failed query does not disturb the update";
    EXPECT_EQ(manager_->updateErrors(boardPool_, open_.root, hcnAddress(), open_.lock), 0);
    EXPECT_EQ(lastErrorCode(boardPool_), 102u);
    EXPECT_NE(manager_->updateFinish(open_.pool, open_.root, hcnAddress(), open_.lock), 0);
    EXPECT_EQ(lastErrorCode(open_.pool), 103u);
    EXPECT_EQ(savedItem({"FIRMWARE"})["params"]["VERSION"], "1.0");
}

}  // namespace
}  // namespace simtest
