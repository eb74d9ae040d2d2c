// Updates on the simulated target through the inventory manager's calls: the part each firmware
// type writes into target.json, refused images and arguments, and status faults.
#include <fcntl.h>
#include <unistd.h>
#include <sstream>
#include "sim/images.h"
#include "sim_test.h"

using VkNInventoryManager::VkSRemoteFileHandle;

class UpdateTest : public SimTest {
  protected:
    void SetUp() override { open(true); }
    // A VKIM image (with elf, an ELF image) of version, transferred to the target.
    VkSRemoteFileHandle image(const std::string& version, bool elf = false) {
        const std::string path = sim_.temp().file(version + (elf ? ".elf" : ".bin"));
        EXPECT_TRUE(elf ? vksim::writeElfImage(path, version, std::nullopt, 2048, error_)
                        : vksim::writeVkimImage(path, version, 2048, error_));
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
    VkCErrorListPool board_;
    std::string error_;
};

TEST_F(UpdateTest, FirmwareTypeNamesThePartThatIsWritten) {
    std::istringstream parts(
        "FIRMWARE FIRMWARE[2] FPGAFIRMWARE FPGAFIRMWARE[2] CNCPUCONFIGURATION IPLFIRMWARE[2] "
        "IPLFIRMWARE CNFIRMWARE CNIPLFIRMWARE HARDWARE/BOOTLOADER[2] IOFPGA/FPGAFIRMWARE "
        "IOFPGA/FPGAFIRMWARE[2] IOFPGA/FPGAFIRMWARE[3] UPDATE_INFO/INFO");
    uint32_t type = 1;
    for (std::string path; parts >> path; ++type) {
        SCOPED_TRACE(path);
        sim_.add("t1", labTarget());
        const VkSRemoteFileHandle remote = image("7.1", type == 1);
        ASSERT_EQ(start(remote, type), 0) << lastText(board_);
        EXPECT_EQ(pollToEnd(), "1 1/4, 1 2/4, 1 3/4, 2 4/4");
        const Json part = saved(path);
        EXPECT_EQ(part["VERSION"].dump() + part["TIMESTAMP"].dump(),
                  R"("7.1""2024-05-01 10:00:00")");
        vksim::ImageInfo info;
        vksim::inspectImage(folder_ + "/staging/" + remote.name.str(), info, error_);
        EXPECT_EQ(part["CHECKSUM_CRC32"], info.checksum);
        EXPECT_EQ(part["VERSION_HISTORY"],
                  std::string(type == 1 ? "2024-01-01 10:00:00 3.2.1\n" : "") +
                      "2024-05-01 10:00:00 7.1");
        EXPECT_EQ(saved("FIRMWARE")["VERSION"], type == 1 ? "7.1" : "3.2.1");
    }
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
    vksim::writeElfImage(sim_.temp().file("hv.elf"), "1.0", 14u, 64, error_);
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
        ASSERT_EQ(start(remote, 1), 0);  // the target checks the image while updating
        EXPECT_EQ(pollToEnd(), "1 1/4, 1 2/4, 1 3/4, 0 4/4 failed");
        EXPECT_TRUE(refused(1, vksim::kErrUpdateEnded, &board_));
        const std::string text = lastText(board_);
        EXPECT_NE(text.find(why), std::string::npos) << text;
        EXPECT_EQ(status() + std::to_string(board_.getErrorCount()), "0 4/41") << "error once";
        board_.reset();
        EXPECT_EQ(manager_->updateErrors(board_, root_, hcn(), lock_), 0);
        EXPECT_EQ(lastText(board_), text);
        EXPECT_EQ(manager_->updateFinish(pool_, root_, hcn(), lock_), 0);
    }
    EXPECT_EQ(sim_.temp().read("targets/t1/target.json"), before);
}

TEST_F(UpdateTest, StartIsRefusedForBadArgumentsAndFaultsEndOrProlongTheUpdate) {
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
        manager_->updateFinish(pool_, root_, hcn(), lock_);
    }
    board_.reset();
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
    ASSERT_EQ(start(remote, 1), 0);
    EXPECT_EQ(status(), "0 0/0 failed");
    EXPECT_EQ(lastCode(board_), 101u);
    EXPECT_EQ(pollToEnd(), "1 1/4, 1 2/4, 1 3/4, 2 4/4") << "a failed query disturbs nothing";
    EXPECT_TRUE(refused(manager_->updateFinish(pool_, root_, Ids::ROOT / Ids::CN, lock_),
                        vksim::kErrNoSuchNode));
    ASSERT_EQ(start(remote, 1), 0);
    EXPECT_EQ(VkLnk_FORCE_resetDevice(pool_, device_, 0), 0);
    EXPECT_EQ(status(), "0 0/0 failed") << "a reset ends running updates";
}
