// The inventory manager of the simulated target: scans, root handles, the lock, file transfers
// into the staging folder, updates (the part each firmware type writes into target.json, refused
// images and arguments) and the faults of these calls.
#include <fcntl.h>
#include <unistd.h>
#include <sstream>
#include "sim/images.h"
#include "sim_test.h"
#include "utf8_conversion.h"

using VkNInventoryManager::VkSRemoteFileHandle;

class InventoryManagerTest : public SimTest {
  protected:
    void SetUp() override { open(false); }
    int32_t lock(uint32_t mode = 0x10003, const VkCInventoryAddress& at = hcn()) {
        return manager_->lock(pool_, root_, at, mode, lock_);
    }
    int32_t transfer(VkSRemoteFileHandle& remote, const std::string& path,
                     VkTTransferProgressFunction progress = nullptr, void* context = nullptr) {
        return manager_->transferFile(pool_, root_, hcn(), lock_, utf8ToWide(path).c_str(),
                                      progress, context, remote);
    }
    int32_t remove(const VkSRemoteFileHandle& remote) {
        return manager_->deleteRemoteFile(pool_, root_, hcn(), lock_, remote);
    }
};

TEST_F(InventoryManagerTest, ScanGivesAFreshTreeAndRootHandlesAreChecked) {
    VkCInventoryItem* tree = nullptr;
    ASSERT_EQ(manager_->scan(pool_, root_, tree), 0);
    EXPECT_EQ(tree->getItem(Ids::HCN / Ids::SUB_BOARDS / Ids::ION[2])->getAddress().toString(),
              "ROOT/HCN/SUB_BOARDS/ION[2]");
    EXPECT_NE(manager_->deleteInventoryTree(tree->getFirstSubItem()), 0) << "a node inside a tree";
    EXPECT_EQ(manager_->deleteInventoryTree(tree), 0);
    EXPECT_EQ(manager_->deleteInventoryTree(nullptr), 0);
    VkCInventoryRootHandle* root = nullptr;
    VkTDeviceHandle devices[2] = {device_, device_};
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, devices, 2, root), 0);
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, nullptr, 1, root), 0);
    VkTDeviceHandle bogus = &root;
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, &bogus, 1, root), 0);
    EXPECT_EQ(root, nullptr);
    EXPECT_NE(manager_->scan(pool_, reinterpret_cast<VkCInventoryRootHandle*>(&tree), tree), 0);
    EXPECT_NE(manager_->deleteRootHandle(pool_, nullptr), 0);
    setFaults(R"([{"call": "scan", "errorCode": "0x01400020"}, {"call": "deleteRootHandle"},
                  {"call": "createRootHandle", "times": 1}])");
    EXPECT_TRUE(refused(manager_->scan(pool_, root_, tree), 0x01400020u));
    EXPECT_EQ(tree, nullptr);
    EXPECT_NE(manager_->createRootHandleByDeviceHandleList(pool_, &device_, 1, root), 0);
    ASSERT_EQ(manager_->createRootHandleByDeviceHandleList(pool_, &device_, 1, root), 0);
    EXPECT_TRUE(refused(manager_->deleteRootHandle(pool_, root), vksim::kErrSimulatedFault));
    EXPECT_TRUE(refused(manager_->deleteRootHandle(pool_, root), vksim::kErrInvalidHandle))
        << "released all the same";
}

TEST_F(InventoryManagerTest, LockIsExclusiveAndChecksModeAddressAndFaults) {
    ASSERT_EQ(lock(), 0);
    VkTLockHandle first = lock_;
    EXPECT_TRUE(refused(lock(), vksim::kErrTargetLocked));
    EXPECT_EQ(lock_, nullptr);
    EXPECT_EQ(manager_->unlock(pool_, first), 0);
    EXPECT_TRUE(refused(manager_->unlock(pool_, first), vksim::kErrNotLocked));
    EXPECT_TRUE(refused(lock(0x10001), vksim::kErrInvalidArgument));
    EXPECT_TRUE(refused(lock(0x10003, Ids::ROOT / Ids::CN), vksim::kErrNoSuchNode));
    ASSERT_EQ(lock(0x10003, Ids::ROOT), 0) << "the root node names the whole system";
    EXPECT_EQ(manager_->unlock(pool_, lock_), 0);
    setFaults(R"([{"call": "lock", "times": 1}, {"call": "unlock", "times": 1}])");
    EXPECT_TRUE(refused(lock(), vksim::kErrSimulatedFault));
    ASSERT_EQ(lock(), 0);
    EXPECT_NE(manager_->unlock(pool_, lock_), 0);
    ASSERT_EQ(lock(), 0) << "the failed unlock released the lock all the same";
}

TEST_F(InventoryManagerTest, TransferCopiesIntoTheStagingFolderAndDeletes) {
    const std::string local = sim_.temp().write("fw image.bin", patternBytes(300000));
    VkSRemoteFileHandle first;
    VkSRemoteFileHandle second;
    EXPECT_TRUE(refused(transfer(first, local), vksim::kErrNotLocked));
    ASSERT_EQ(lock(), 0);
    std::vector<uint32_t> percents;
    const auto progress = [](void* seen, uint32_t percent) {
        static_cast<std::vector<uint32_t>*>(seen)->push_back(percent);
    };
    ASSERT_EQ(transfer(first, local, progress, &percents), 0) << lastText(pool_);
    ASSERT_EQ(transfer(second, local), 0);
    EXPECT_EQ(percents.back(), 100u);
    EXPECT_EQ(first.folder, "/var/staging");
    EXPECT_EQ(first.name, "1_fw image.bin");
    EXPECT_EQ(second.name, "2_fw image.bin") << "each transfer gets its own copy";
    EXPECT_EQ(sim_.temp().read("targets/t1/staging/1_fw image.bin"), patternBytes(300000));
    EXPECT_EQ(remove(first), 0);
    EXPECT_EQ(sim_.temp().read("targets/t1/staging/1_fw image.bin"), "");
    for (const char* name : {"1_fw image.bin", "../target.json", ""}) {
        EXPECT_TRUE(refused(remove({"/var/staging", name}), vksim::kErrRemoteFile)) << name;
    }
    EXPECT_TRUE(refused(remove({"/mnt/cn/cfdrive", "x"}), vksim::kErrRemoteFile));
    EXPECT_TRUE(refused(transfer(first, sim_.temp().file("absent")), vksim::kErrHostFile));
    // A device would fill the staging folder without end.
    EXPECT_EXIT((::alarm(10), transfer(first, "/dev/zero"), std::cerr << lastText(pool_), exit(0)),
                ::testing::ExitedWithCode(0), "The file /dev/zero is a character device, not a");
}

class UpdateTest : public InventoryManagerTest {
  protected:
    void SetUp() override { open(true); }
    // A VKIM image (with elf, an ELF image) of version, or the file at path, on the target.
    VkSRemoteFileHandle image(const std::string& version, bool elf = false, std::string path = "") {
        if (path.empty()) {
            path = sim_.temp().file(version + (elf ? ".elf" : ".bin"));
            EXPECT_TRUE(elf ? vksim::writeElfImage(path, version, std::nullopt, 2048, error_)
                            : vksim::writeVkimImage(path, version, 2048, error_));
        }
        VkSRemoteFileHandle remote;
        EXPECT_EQ(transfer(remote, path), 0);
        return remote;
    }
    int32_t start(const VkSRemoteFileHandle& remote, uint32_t type,
                  const VkCInventoryAddress& board = hcn()) {
        return manager_->update(board_, root_, board, lock_, remote,
                                VkNInventoryManager::FirmwareType(type), 1714557600);
    }
    // An update query's answer as "status done/total", with " failed" when its result is not 0.
    std::string status() {
        VkNInventoryManager::EUpdateStatus status = VkNInventoryManager::UpdateFailed;
        VkNInventoryManager::FirmwareType type = VkNInventoryManager::FwUnknown;
        uint32_t done = 0, total = 0;
        const int32_t result =
            manager_->updateStatus(board_, root_, hcn(), status, type, done, total);
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
        VkSRemoteFileHandle remote = image("3.3", name[4] == 'e', name[0] == '/' ? name : "");
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
