// Updates on the simulated target through the inventory manager's calls: the part each firmware
// type writes into target.json, refused images and arguments, status faults, and what a reset
// does to running updates, boot loader files on the drive and the items of the next start.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "sim/Images.h"
#include "sim_test.h"

namespace simtest {
namespace {

using VkNInventoryManager::VkSRemoteFileHandle;

class UpdateTest : public SimTest {
  protected:
    void SetUp() override { open(true); }
    // A VKIM image (with elf, an ELF image) of version, transferred to the target.
    VkSRemoteFileHandle image(const std::string& version, bool elf = false) {
        const std::string path = sim_.temp().file(version + (elf ? ".elf" : ".bin"));
        std::string error;
        EXPECT_TRUE(elf ? vksim::writeElfImage(path, version, std::nullopt, 2048, error)
                        : vksim::writeVkimImage(path, version, 2048, error));
        return transfer(path);
    }
    VkSRemoteFileHandle transfer(const std::string& path) {
        VkSRemoteFileHandle remote;
        EXPECT_EQ(manager_->transferFile(pool_, root_, hcn(), lock_, wide(path).c_str(), nullptr,
                                         nullptr, remote),
                  0);
        return remote;
    }
    int32_t start(const VkSRemoteFileHandle& remote, uint32_t type,
                  const VkCInventoryAddress& board = hcn()) {
        return manager_->update(board_, root_, board, lock_, remote,
                                VkNInventoryManager::FirmwareType(type), 1714557600);
    }
    // An update query's answer as "status done/total", with " failed" when its result is not 0.
    std::string status(const VkCInventoryAddress& board = hcn()) {
        VkNInventoryManager::EUpdateStatus status = VkNInventoryManager::UpdateFailed;
        VkNInventoryManager::FirmwareType type = VkNInventoryManager::FwUnknown;
        uint32_t done = 0;
        uint32_t total = 0;
        const int32_t result =
            manager_->updateStatus(board_, root_, board, status, type, done, total);
        return std::to_string(status) + " " + std::to_string(done) + "/" + std::to_string(total) +
               (result ? " failed" : "");
    }
    // The answers of queries until one is not "running", joined by commas.
    std::string pollToEnd() {
        std::string answers = status();
        for (std::string last = answers;
             last.substr(0, 2) == "1 " && last.back() != 'd' && answers.size() < 200;) {
            answers += ", " + (last = status());
        }
        return answers;
    }
    // The inventory item at a path of item IDs ("A/B") below the processing unit in target.json.
    Json saved(const std::string& path) {
        Json item = sim_.read("t1")["inventory"][0];
        std::istringstream ids(path);
        for (std::string id; std::getline(ids, id, '/');) {
            Json next;
            for (const Json& child : item.value("items", Json::array())) {
                next = child["id"] == id ? child : next;
            }
            item = next;
        }
        return item["params"];
    }
    uint32_t checksum(const VkSRemoteFileHandle& remote) {
        vksim::ImageInfo info;
        std::string problem;
        vksim::inspectImage(folder_ + "/staging/" + remote.name.str(), info, problem);
        return info.checksum;
    }
    VkCErrorListPool board_;
};

TEST_F(UpdateTest, FirmwareTypeNamesThePartThatIsWritten) {
    std::istringstream parts(
        "FIRMWARE FIRMWARE[2] FPGAFIRMWARE FPGAFIRMWARE[2] CNCPUCONFIGURATION IPLFIRMWARE[2] "
        "IPLFIRMWARE CNFIRMWARE CNIPLFIRMWARE HARDWARE/BOOTLOADER[2] IOFPGA/FPGAFIRMWARE "
        "IOFPGA/FPGAFIRMWARE[2] IOFPGA/FPGAFIRMWARE[3] UPDATE_INFO/INFO");
    uint32_t type = 1;
    for (std::string path; parts >> path; ++type) {
        SCOPED_TRACE(type);
        sim_.add("t1", labTarget());
        const VkSRemoteFileHandle remote = image("7.1", type == 1);
        ASSERT_EQ(start(remote, type), 0) << lastText(board_);
        EXPECT_EQ(pollToEnd(), "1 1/4, 1 2/4, 1 3/4, 2 4/4");
        const Json part = saved(path);
        EXPECT_EQ(part["VERSION"], "7.1");
        EXPECT_EQ(part["CHECKSUM_CRC32"], checksum(remote));
        EXPECT_EQ(part["TIMESTAMP"], "2024-05-01 10:00:00");
        EXPECT_EQ(part["VERSION_HISTORY"],
                  std::string(type == 1 ? "2024-01-01 10:00:00 3.2.1\n" : "") +
                      "2024-05-01 10:00:00 7.1");
        EXPECT_EQ(saved("FIRMWARE")["VERSION"], type == 1 ? "7.1" : "3.2.1");
        EXPECT_EQ(saved("PRODUCT")["SYSTEM_CLASS"], "0x20001") << "keeps its written form";
    }
    EXPECT_EQ(type, 15u);
    // A hypervisor update finds the entry with ID 14 and keeps its typed form.
    Json doc = labTarget();
    doc["inventory"][0]["items"].push_back(Json::parse(R"({"id": "UPDATE_INFO", "items": [
        {"id": "INFO", "params": {"ID": 12, "VERSION": "1.0"}},
        {"id": "INFO[2]", "params": {"ID": {"type": "UInt32", "value": 14},
                                     "VERSION": {"type": "Version", "value": "1.0"}}}]})"));
    sim_.add("t1", doc);
    ASSERT_EQ(start(image("2.5"), 14), 0);
    EXPECT_EQ(pollToEnd(), "1 1/4, 1 2/4, 1 3/4, 2 4/4");
    EXPECT_EQ(saved("UPDATE_INFO/INFO")["VERSION"], "1.0");
    EXPECT_EQ(saved("UPDATE_INFO/INFO[2]")["VERSION"],
              Json::parse(R"({"type": "Version", "value": "2.5"})"));
}

TEST_F(UpdateTest, BadImageEndsTheUpdateFailedWithTheReasonOnce) {
    std::string error;
    vksim::writeElfImage(sim_.temp().file("hv.elf"), "1.0", 14u, 64, error);
    const std::pair<std::string, const char*> cases[] = {
        {"3.3.bin", "does not match its content"},
        {"3.3.elf", "does not match its content"},
        {sim_.temp().write("notes.txt", "just text"), "no firmware image the target recognises"},
        {sim_.temp().file("hv.elf"), "hv.elf holds Hypervisor firmware"}};
    const std::string before = sim_.temp().read("targets/t1/target.json");
    for (const auto& [name, why] : cases) {
        SCOPED_TRACE(name);
        board_.reset();
        VkSRemoteFileHandle remote = name[0] == '/' ? transfer(name) : image("3.3", name[4] == 'e');
        if (name[0] != '/') {
            const int fd = ::open((folder_ + "/staging/" + remote.name.str()).c_str(), O_RDWR);
            ASSERT_EQ(::pwrite(fd, "\xA5\x5A", 2, 0x50), 2);  // in the payload or a section
            ::close(fd);
        }
        ASSERT_EQ(start(remote, 1), 0) << "the target checks the image while updating";
        EXPECT_EQ(pollToEnd(), "1 1/4, 1 2/4, 1 3/4, 0 4/4 failed");
        EXPECT_EQ(lastCode(board_), vksim::kErrUpdateEnded);
        EXPECT_EQ(board_.getOriginNode(0), 4711u);
        const std::string text = lastText(board_);
        EXPECT_NE(text.find("(ROOT/HCN) failed: the file "), std::string::npos) << text;
        EXPECT_NE(text.find(why), std::string::npos) << text;
        EXPECT_EQ(status(), "0 4/4") << "the end stays failed, without the error again";
        EXPECT_EQ(board_.getErrorCount(), 1u);
        board_.reset();
        EXPECT_EQ(manager_->updateErrors(board_, root_, hcn(), lock_), 0);
        EXPECT_EQ(lastText(board_), text);
        EXPECT_EQ(manager_->updateFinish(pool_, root_, hcn(), lock_), 0);
    }
    EXPECT_EQ(sim_.temp().read("targets/t1/target.json"), before);
}

TEST_F(UpdateTest, StatusFaultsEndOrProlongTheUpdate) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {R"({"call": "updateStatus", "status": 5, "match": 4711})", "5 4/4", "3.2.1"},
        {R"({"call": "updateStatus", "status": 1, "times": 2})", "1 3/4, 1 3/4, 2 4/4", "4.0"},
        {R"({"call": "updateStatus", "status": 0, "match": "815"})", "2 4/4", "4.0"}};
    for (const auto& [fault, end, version] : cases) {
        SCOPED_TRACE(fault);
        setFaults(std::string("[") + fault + "]");
        board_.reset();
        ASSERT_EQ(start(image("4.0"), 1), 0);
        EXPECT_EQ(pollToEnd(), std::string("1 1/4, 1 2/4, 1 3/4, ") + end);
        EXPECT_EQ(saved("FIRMWARE")["VERSION"], version);
        EXPECT_EQ(manager_->updateErrors(board_, root_, hcn(), lock_), 0);
        EXPECT_EQ(board_.getEntryCount(), end[0] == '5' ? 1u : 0u) << "the status is reported";
        EXPECT_EQ(manager_->updateFinish(pool_, root_, hcn(), lock_), 0);
    }
}

TEST_F(UpdateTest, UpdatesOfOneBoardRunOneAfterTheOtherUntilAResetOrFinish) {
    Json doc = labTarget();
    doc["updatePolls"] = 0;
    sim_.add("t1", doc);
    ASSERT_EQ(start(image("4.0"), 1), 0);
    ASSERT_EQ(start(image("9.0"), 3), 0);
    ASSERT_EQ(start(image("1.1"), 11, ion()), 0);
    for (const char* answer : {"2 1/1", "2 1/1", "0 0/0 failed"}) {
        EXPECT_EQ(status(), answer);
    }
    EXPECT_EQ(saved("FPGAFIRMWARE")["VERSION"], "9.0");
    EXPECT_EQ(lastCode(board_), vksim::kErrUpdateState) << "no update is left";
    EXPECT_EQ(manager_->updateFinish(pool_, root_, hcn(), lock_), 0);
    EXPECT_EQ(status(ion()), "0 0/0 failed") << "the I/O node lies below the processing unit";
    EXPECT_TRUE(refused(manager_->updateFinish(pool_, root_, Ids::ROOT / Ids::CN, lock_),
                        vksim::kErrNoSuchNode));
    ASSERT_EQ(start(image("1.0"), 1), 0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_EQ(status(), "0 0/0 failed");
    EXPECT_EQ(saved("FIRMWARE")["VERSION"], "4.0");
}

TEST_F(UpdateTest, StartIsRefusedForBadArgumentsAndFaults) {
    const VkSRemoteFileHandle remote = image("1.0");
    EXPECT_TRUE(refused(start(remote, 0), vksim::kErrFirmwareType, &board_));
    EXPECT_TRUE(refused(start(remote, 15), vksim::kErrFirmwareType, &board_));
    EXPECT_TRUE(refused(start(remote, 1, Ids::ROOT / Ids::CN), vksim::kErrNoSuchNode, &board_));
    EXPECT_TRUE(refused(start({"/var/staging", "9_none.bin"}, 1), vksim::kErrRemoteFile, &board_));
    EXPECT_EQ(board_.getOriginNode(3), 4711u);
    EXPECT_TRUE(refused(
        manager_->update(board_, root_, hcn(), nullptr, remote, VkNInventoryManager::FwFirmware, 0),
        vksim::kErrNotLocked, &board_));
    setFaults(R"([{"call": "update", "match": "4711", "times": 1, "errorCode": 100},
                  {"call": "updateStatus", "times": 1, "errorCode": 101}])");
    EXPECT_TRUE(refused(start(remote, 1), 100, &board_));
    EXPECT_EQ(board_.getOriginNode(board_.getEntryCount() - 1), 4711u);
    ASSERT_EQ(start(remote, 1), 0);
    EXPECT_EQ(status(), "0 0/0 failed");
    EXPECT_EQ(lastCode(board_), 101u);
    EXPECT_EQ(pollToEnd(), "1 1/4, 1 2/4, 1 3/4, 2 4/4") << "a failed query disturbs nothing";
}

// A reset takes up a sound boot loader image on the drive (not one reached through a link),
// the parameters of the next start, and update info once the firmware is new enough.
TEST_F(SimTest, ResetTakesUpBootLoadersUpdateInfoAndTheNextStart) {
    Json doc = labTarget();
    doc["bootLoaders"] = Json::parse(R"([{"file": "b/l.bin", "part": "HCN/HARDWARE/BOOTLOADER[3]"},
        {"file": "b/link.bin", "part": "HCN/HARDWARE/BOOTLOADER[2]"}])");
    Json& board = doc["inventory"][0];
    board["params"]["ACTIVE_FIRMWARE"] = 2;
    board["nextStart"] = {{"ACTIVE_FIRMWARE", 1}};
    board["items"][2]["items"][0]["updateInfoFrom"] = "3.2.1";
    board["items"][2]["items"].push_back({{"id", "ION[3]"}, {"updateInfoFrom", "3.3"}});
    sim_.add("t1", doc);
    std::filesystem::create_directory(sim_.cfdriveFile("t1", "b"));
    std::string error;
    ASSERT_TRUE(vksim::writeVkimImage(sim_.cfdriveFile("t1", "b/l.bin"), "2.7.0", 64, error));
    std::filesystem::create_symlink("l.bin", sim_.cfdriveFile("t1", "b/link.bin"));
    ASSERT_NE(device_ = sim_.open("lab1"), nullptr);
    ASSERT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0) << lastText(pool_);
    ASSERT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0) << lastText(pool_);
    const Json saved = sim_.read("t1")["inventory"][0];
    EXPECT_EQ(saved["params"]["ACTIVE_FIRMWARE"], 1);
    EXPECT_FALSE(saved.contains("nextStart"));
    EXPECT_EQ(saved["items"].back(), Json::parse(R"({"id": "HARDWARE", "items": [
        {"id": "BOOTLOADER[3]", "params": {"VERSION": "2.7"}}]})"));
    const Json& boards = saved["items"][2]["items"];
    EXPECT_EQ(boards[0]["items"].back(), (Json{{"id", "UPDATE_INFO"}}));
    EXPECT_EQ(boards[0]["items"].size(), 2u) << "added once";
    EXPECT_EQ(boards[1], board["items"][2]["items"][1]) << "the firmware is older than 3.3";
}

}  // namespace
}  // namespace simtest
