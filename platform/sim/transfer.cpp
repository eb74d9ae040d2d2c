// transferFile and deleteRemoteFile: transferred files are copied into the target's staging
// folder; the remote file handle names the staged copy.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <vector>

#include "VkCInventoryManager.h"
#include "sim/call_support.h"
#include "sim/cfdrive_path.h"
#include "sim/inventory_calls.h"
#include "sim/sim_errors.h"
#include "sim/sim_text.h"
#include "sim/target_store.h"
#include "sim/transfer.h"
#include "utf8_conversion.h"

using namespace vksim;

namespace {

constexpr int32_t kFailed = -1;

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The original file name of a staged copy "<n>_<name>".
std::string originalName(const std::string& staged) {
    const size_t underscore = staged.find('_');
    return underscore == std::string::npos ? staged : staged.substr(underscore + 1);
}

// Creates a new file in the staging folder; its name goes to stagedName.
UniqueFd createStagedFile(const std::string& folder, const std::string& name,
                          std::string& stagedName, std::string& error) {
    const std::string staging = stagingOf(folder);
    if (::mkdir(staging.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "The staging folder " + staging + " cannot be created: " + systemError() + ".";
        return UniqueFd();
    }
    for (unsigned number = 1; number < 100000; ++number) {
        stagedName = std::to_string(number) + "_" + name;
        const std::string path = staging + "/" + stagedName;
        UniqueFd fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd.valid() || errno != EEXIST) {
            if (!fd.valid()) {
                error = "The file " + path + " cannot be created: " + systemError() + ".";
            }
            return fd;
        }
    }
    error = "The staging folder " + staging + " has no room for another copy of " + name + ".";
    return UniqueFd();
}

// Root, lock and target of a call that works on the staging area.
bool checkStagingCall(VkCErrorListPool& pool, const char* function, VkCInventoryRootHandle* root,
                      const VkCInventoryAddress& system, VkTLockHandle lock, TargetNode& found) {
    VkCInventoryRootHandle* handle = rootFor(pool, function, root);
    return handle != nullptr && lockFor(pool, function, lock, handle->folder) != nullptr &&
           findTargetNode(pool, function, handle->folder, system, found);
}

}  // namespace

namespace vksim {

bool stagedPathOf(const std::string& folder, const VkNInventoryManager::VkSRemoteFileHandle& remote,
                  std::string& path, std::string& error) {
    const std::string name = remote.name.str();
    if (remote.folder != kStagingRemoteFolder || !checkRemoteName(name, error)) {
        error = "The remote file handle " + remote.folder.str() + "/" + name +
                " names no transferred file.";
        return false;
    }
    path = stagingOf(folder) + "/" + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "The transferred file " + remote.folder.str() + "/" + name +
                " does not exist on the target.";
        return false;
    }
    return true;
}

void removeStagedCopies(const std::string& folder) {
    const int staging =
        ::open(stagingOf(folder).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (staging < 0) {
        return;
    }
    DIR* entries = ::fdopendir(staging);
    if (entries == nullptr) {
        ::close(staging);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(entries)) {
        if (entry->d_type != DT_DIR) {
            names.push_back(entry->d_name);
        }
    }
    for (const std::string& name : names) {
        ::unlinkat(::dirfd(entries), name.c_str(), 0);
    }
    ::closedir(entries);
}

std::string transferredFileName(const VkNInventoryManager::VkSRemoteFileHandle& remote) {
    return originalName(remote.name.str());
}

}  // namespace vksim

int32_t VkCInventoryManager::transferFile(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                                          const VkCInventoryAddress& system, VkTLockHandle lock,
                                          const wchar_t* localPath,
                                          VkTTransferProgressFunction progress, void* context,
                                          VkNInventoryManager::VkSRemoteFileHandle& remote) {
    const char* function = "transferFile";
    TargetNode found;
    if (!checkStagingCall(pool, function, root, system, lock, found)) {
        return kFailed;
    }
    const std::string local = wideToUtf8(localPath != nullptr ? localPath : L"");
    const std::string name = baseName(local);
    if (const std::optional<Fault> fault =
            takeFault(found.target(), "transferFile", FaultSubject{{name, local}, std::nullopt})) {
        enterFaultError(pool, function, found.target(), *fault);
        return kFailed;
    }
    const RegularFile in = openRegularFile(AT_FDCWD, local, O_RDONLY);
    std::string stagedName;
    std::string error;
    if (!in.valid()) {
        enterError(pool, kErrHostFile, function, "The file " + local + " " + in.problem + ".");
        return kFailed;
    }
    UniqueFd out = createStagedFile(found.target().folder, name, stagedName, error);
    if (!out.valid()) {
        enterError(pool, kErrRemoteFile, function, error);
        return kFailed;
    }
    const uint64_t total = in.size;
    std::function<void(uint64_t)> report;
    if (progress != nullptr && total > 0) {
        report = [&](uint64_t done) {
            progress(context, static_cast<uint32_t>(done * 100 / total));
        };
    }
    // What the file held when it was opened, even if it grows meanwhile.
    const int64_t copied = copyFileData(in.fd.get(), out.get(), total, report);
    if (copied < 0) {
        enterError(pool, kErrRemoteFile, function,
                   "Transferring " + local + " failed: " + systemError() + ".");
        ::unlink((stagingOf(found.target().folder) + "/" + stagedName).c_str());
        return kFailed;
    }
    remote.folder = kStagingRemoteFolder;
    remote.name = stagedName.c_str();
    return 0;
}

int32_t VkCInventoryManager::deleteRemoteFile(VkCErrorListPool& pool, VkCInventoryRootHandle* root,
                                              const VkCInventoryAddress& system, VkTLockHandle lock,
                                              VkNInventoryManager::VkSRemoteFileHandle remote) {
    const char* function = "deleteRemoteFile";
    TargetNode found;
    if (!checkStagingCall(pool, function, root, system, lock, found)) {
        return kFailed;
    }
    const FaultSubject subject{{remote.name.str(), transferredFileName(remote)}, std::nullopt};
    if (const std::optional<Fault> fault = takeFault(found.target(), "deleteRemoteFile", subject)) {
        enterFaultError(pool, function, found.target(), *fault);
        return kFailed;
    }
    std::string path;
    std::string error;
    if (!stagedPathOf(found.target().folder, remote, path, error)) {
        enterError(pool, kErrRemoteFile, function, error);
        return kFailed;
    }
    if (::unlink(path.c_str()) != 0) {
        enterError(pool, kErrRemoteFile, function,
                   "The transferred file " + path + " cannot be deleted: " + systemError() + ".");
        return kFailed;
    }
    return 0;
}
