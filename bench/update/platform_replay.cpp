#include "platform_replay.h"

#include <ctime>
#include <vector>

#include "VkApplMan.h"
#include "VkCInventoryItem.h"
#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "VkNInventoryIDs.h"

namespace update_bench {

namespace {

namespace ids = VkNInventoryIDs;
using VkNInventoryManager::VkSRemoteFileHandle;

constexpr uint32_t kExclusiveLevel = 0x10003;
constexpr int32_t kApplicationCapacity = 255;

VkCInventoryManager& manager() {
    return *VkCInventoryManager::getInstance();
}

uint32_t setFilterNumber(VkCErrorListPool& pool, VkTFilterHandle filter, uint32_t parameter,
                         uint32_t value) {
    return VkLnk_setFilterParameter(pool, filter, parameter, sizeof value, &value);
}

bool applyTargetFilter(VkCErrorListPool& pool, VkTFilterHandle filter) {
    return setFilterNumber(pool, filter, VkLnk_FILTER_PARAM_8, 1) == 0 &&
           setFilterNumber(pool, filter, VkLnk_FILTER_PARAM_9, 0) == 0 &&
           VkLnk_setFilterParameter(pool, filter, VkLnk_FILTER_SYSTEM_NAME,
                                    uint32_t(VkCString::strlen(kSystemName) + 1),
                                    kSystemName) == 0 &&
           VkLnk_applyFilter(pool, filter) == 0;
}

// The device list as the library reads it: first the count, whose "buffer too small" error
// is taken out of the pool again, then the record.
bool listOneDevice(VkCErrorListPool& pool, VkTFilterHandle filter, VkSDeviceInformation& record) {
    const VkCErrorListPool before = pool;
    uint32_t count = 0;
    if (VkLnk_getDeviceList(pool, filter, nullptr, count) != VkLnk_ERR_BUFFER_TOO_SMALL ||
        count != 1) {
        return false;
    }
    pool = before;
    return VkLnk_getDeviceList(pool, filter, &record, count) == 0;
}

bool findDevice(VkCErrorListPool& pool, VkSDeviceInformation& record) {
    VkTFilterHandle filter = nullptr;
    if (VkLnk_createFilter(pool, filter, 1) != 0) {
        return false;
    }
    const bool found = applyTargetFilter(pool, filter) && listOneDevice(pool, filter, record);
    VkLnk_deleteFilter(pool, filter);
    return found;
}

// An open device with its inventory root handle and, once taken, the inventory lock.
class PlatformSession {
  public:
    PlatformSession() {
        VkSDeviceInformation record{};
        if (findDevice(pool_, record) && VkLnk_createDeviceHandle(pool_, device_, record) == 0) {
            manager().createRootHandleByDeviceHandleList(pool_, &device_, 1, root_);
        }
    }
    ~PlatformSession() {
        if (lock_ != nullptr) {
            manager().unlock(pool_, lock_);
        }
        if (root_ != nullptr) {
            manager().deleteRootHandle(pool_, root_);
        }
        if (device_ != nullptr) {
            VkLnk_deleteDeviceHandle(pool_, device_);
        }
    }
    PlatformSession(const PlatformSession&) = delete;
    PlatformSession& operator=(const PlatformSession&) = delete;

    bool healthy() const { return root_ != nullptr && pool_.getErrorCount() == 0; }
    // The last error of the pool, for the user.
    std::string problem() const {
        const uint32_t entries = pool_.getEntryCount();
        return entries == 0 ? "no error entered" : pool_.getErrorText(entries - 1).str();
    }
    VkCErrorListPool& pool() { return pool_; }
    VkTDeviceHandle device() const { return device_; }
    VkCInventoryRootHandle* root() const { return root_; }
    VkTLockHandle& lock() { return lock_; }

  private:
    VkCErrorListPool pool_;
    VkTDeviceHandle device_ = nullptr;
    VkCInventoryRootHandle* root_ = nullptr;
    VkTLockHandle lock_ = nullptr;
};

// Access restriction and application list, as the library checks for loaded applications.
void checkApplications(PlatformSession& session) {
    VkTAccessRestrictionHandle restriction = nullptr;
    if (VkLnk_createAccessRestrictionHandle(session.pool(), session.device(), restriction) != 0) {
        return;
    }
    uint32_t applications[kApplicationCapacity] = {};
    int32_t count = kApplicationCapacity;
    VkLnk_requestAccessRestrictionLevel(session.pool(), restriction, 0, kExclusiveLevel);
    VkApplMan_getApplications(session.pool(), session.device(), restriction, 0, applications,
                              count);
    VkLnk_deleteAccessRestrictionHandle(session.pool(), restriction);
}

void scanOnce(PlatformSession& session) {
    VkCInventoryItem* tree = nullptr;
    manager().scan(session.pool(), session.root(), tree);
    manager().deleteInventoryTree(tree);
}

// The library opens the file-transfer client to look for installed bus-FPGA files.
void openAndCloseFtClient(PlatformSession& session) {
    VkTFTClientHandle client = nullptr;
    if (VkLnk_createFTClientHandle(session.pool(), session.device(), client) == 0) {
        VkLnk_deleteFTClientHandle(session.pool(), client);
    }
}

// One update: a file, its board, and what the target answered about it.
struct FileUpdate {
    std::wstring localPath;
    VkCInventoryAddress board;
    VkNInventoryManager::FirmwareType type = VkNInventoryManager::FwUnknown;
    VkSRemoteFileHandle remote;
    bool ended = false;
};

std::vector<FileUpdate> fileUpdatesOf(const GeneratedTarget& target) {
    std::vector<FileUpdate> updates;
    updates.reserve(target.files());
    for (uint32_t board = 1; board <= target.boards; ++board) {
        for (const PartKind& part : kParts) {
            FileUpdate update;
            const std::string path = imageFileOf(target, board, part);
            update.localPath.assign(path.begin(), path.end());
            update.board = boardAddressOf(board);
            update.type = static_cast<VkNInventoryManager::FirmwareType>(part.fwType);
            updates.push_back(update);
        }
    }
    return updates;
}

void transferAll(PlatformSession& session, std::vector<FileUpdate>& updates) {
    for (FileUpdate& update : updates) {
        manager().transferFile(session.pool(), session.root(), boardAddressOf(1), session.lock(),
                               update.localPath.c_str(), nullptr, nullptr, update.remote);
    }
}

void startAll(PlatformSession& session, const std::vector<FileUpdate>& updates) {
    const uint64_t timestamp = uint64_t(std::time(nullptr));
    for (const FileUpdate& update : updates) {
        manager().update(session.pool(), session.root(), update.board, session.lock(),
                         update.remote, update.type, timestamp);
    }
}

// Sweeps over the running updates until every one has ended, as the library polls. False
// when an update ended other than finished.
bool pollAll(PlatformSession& session, std::vector<FileUpdate>& updates) {
    size_t running = updates.size();
    while (running > 0 && session.healthy()) {
        for (FileUpdate& update : updates) {
            if (update.ended) {
                continue;
            }
            VkNInventoryManager::EUpdateStatus status = VkNInventoryManager::UpdateFailed;
            VkNInventoryManager::FirmwareType type = VkNInventoryManager::FwUnknown;
            uint32_t done = 0;
            uint32_t total = 0;
            manager().updateStatus(session.pool(), session.root(), update.board, status, type, done,
                                   total);
            if (status == VkNInventoryManager::UpdateFailed) {
                return false;
            }
            update.ended = status == VkNInventoryManager::UpdateFinished;
            running -= update.ended ? 1 : 0;
        }
    }
    return running == 0;
}

void queryErrorsAll(PlatformSession& session, const std::vector<FileUpdate>& updates) {
    for (const FileUpdate& update : updates) {
        manager().updateErrors(session.pool(), session.root(), update.board, session.lock());
    }
}

void deleteAll(PlatformSession& session, const std::vector<FileUpdate>& updates) {
    for (const FileUpdate& update : updates) {
        manager().deleteRemoteFile(session.pool(), session.root(), boardAddressOf(1),
                                   session.lock(), update.remote);
    }
}

bool reportIfBroken(const PlatformSession& session, const char* step, std::string& error) {
    if (session.healthy()) {
        return false;
    }
    error = std::string("platform calls alone, ") + step + ": " + session.problem();
    return true;
}

bool prepareUpdate(PlatformSession& session, std::string& error) {
    if (reportIfBroken(session, "device search", error)) {
        return false;
    }
    checkApplications(session);
    scanOnce(session);
    openAndCloseFtClient(session);
    manager().lock(session.pool(), session.root(), boardAddressOf(1), kExclusiveLevel,
                   session.lock());
    return !reportIfBroken(session, "preparation", error);
}

bool updateEveryFile(PlatformSession& session, std::vector<FileUpdate>& updates,
                     std::string& error) {
    transferAll(session, updates);
    if (reportIfBroken(session, "transfer", error)) {
        return false;
    }
    startAll(session, updates);
    if (reportIfBroken(session, "update start", error)) {
        return false;
    }
    if (!pollAll(session, updates)) {
        error = "platform calls alone: an update did not finish";
        reportIfBroken(session, "status query", error);
        return false;
    }
    queryErrorsAll(session, updates);
    deleteAll(session, updates);
    return !reportIfBroken(session, "error query and removal", error);
}

uint32_t partsWithVersion(VkCErrorListPool& pool, const VkCInventoryItem& board,
                          const VkCVersion& version) {
    const VkCInventoryAddress parts[] = {ids::FIRMWARE, ids::FPGAFIRMWARE,
                                         ids::IOFPGA / ids::FPGAFIRMWARE};
    uint32_t count = 0;
    for (const VkCInventoryAddress& part : parts) {
        VkCVersion installed;
        if (board.getParameter(part / ids::VERSION) != nullptr) {
            board.getValue(pool, part / ids::VERSION, installed);
            count += installed == version ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

bool replayPlatformCalls(const GeneratedTarget& target, std::string& error) {
    pointSimulationAt(target);
    PlatformSession session;
    std::vector<FileUpdate> updates = fileUpdatesOf(target);
    return prepareUpdate(session, error) && updateEveryFile(session, updates, error);
}

bool countUpdatedParts(const GeneratedTarget& target, size_t& updated, std::string& error) {
    updated = 0;
    pointSimulationAt(target);
    PlatformSession session;
    VkCInventoryItem* tree = nullptr;
    if (session.healthy()) {
        manager().scan(session.pool(), session.root(), tree);
    }
    if (tree == nullptr) {
        error = "scan after the update: " + session.problem();
        return false;
    }
    const VkCVersion version(kNewVersion);
    for (const VkCInventoryItem* board = tree->getFirstSubItem(); board != nullptr;
         board = board->getNext()) {
        updated += partsWithVersion(session.pool(), *board, version);
    }
    manager().deleteInventoryTree(tree);
    return true;
}

}  // namespace update_bench
