// The file-transfer client of the host interface library, confined to the target's cfdrive.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>

#include "VkLnk.h"
#include "sim/call_support.h"
#include "sim/cfdrive_path.h"
#include "sim/sim_errors.h"
#include "sim/sim_text.h"
#include "sim/target_store.h"
#include "utf8_conversion.h"

using namespace vksim;

namespace {

constexpr int64_t kFailed = -1;

FtClient* clientFor(VkCErrorListPool& pool, const char* function, const void* handle) {
    return handleFor<FtClient>(pool, function, handle, "file-transfer client handle");
}

std::string text(const char* value) {
    return value == nullptr ? std::string() : std::string(value);
}

FaultSubject fileSubject(const std::string& folder, const std::string& name) {
    return FaultSubject{{name, folder + "/" + name}, std::nullopt};
}

// Loads the target and fires the first matching fault of call. False when the call must end
// here; result is then what it answers: -1, or the "result" the fault gives.
bool passFileTransferCall(VkCErrorListPool& pool, const char* function, const std::string& folder,
                          const std::string& call, const FaultSubject& subject,
                          SharedTarget& target, int64_t& result) {
    result = kFailed;
    if (!loadTargetFor(pool, function, folder, target)) {
        return false;
    }
    const std::optional<Fault> fault = takeFault(*target, call, subject);
    if (!fault) {
        return true;
    }
    enterFaultError(pool, function, *target, *fault);
    result = fault->result.value_or(kFailed);
    return false;
}

// Opens a remote regular file below cfdrive without following links; error in pool on failure.
RegularFile openRemoteFile(VkCErrorListPool& pool, const char* function, const FtClient& client,
                           const std::string& folder, const std::string& name, int flags) {
    std::vector<std::string> parts;
    std::string error;
    if (!splitRemoteFolder(folder, parts, error) || !checkRemoteName(name, error)) {
        enterError(pool, kErrRemotePath, function, error);
        return RegularFile();
    }
    UniqueFd parent = openCfdriveFolder(client.folder, parts, error);
    if (!parent.valid()) {
        enterError(pool, kErrRemotePath, function, error);
        return RegularFile();
    }
    RegularFile file = openRegularFile(parent.get(), name, flags | O_NOFOLLOW);
    if (!file.valid()) {
        enterError(pool, kErrRemoteFile, function,
                   "The remote file " + folder + "/" + name + " " + file.problem + ".");
    }
    return file;
}

RegularFile openLocalFile(VkCErrorListPool& pool, const char* function, const std::string& path,
                          int flags) {
    RegularFile file = openRegularFile(AT_FDCWD, path, flags);
    if (!file.valid()) {
        enterError(pool, kErrHostFile, function,
                   "The local file " + path + " " + file.problem + ".");
    }
    return file;
}

// Opens the folder that holds a name given relative to a remote folder; the last part of
// the name goes to last.
bool openNameFolder(const FtClient& client, const std::string& folder, const std::string& name,
                    UniqueFd& opened, std::string& last, std::string& error) {
    std::vector<std::string> parts;
    std::vector<std::string> below;
    if (!splitRemoteFolder(folder, parts, error) || !splitRelativePath(name, below, error) ||
        !checkRemoteName(below.back(), error)) {
        if (error.empty() || name.empty()) {
            error = "\"" + name + "\" is no valid remote file name.";
        }
        return false;
    }
    last = below.back();
    parts.insert(parts.end(), below.begin(), below.end() - 1);
    opened = openCfdriveFolder(client.folder, parts, error);
    return opened.valid();
}

// The caller's progress function as copyFileData reports; empty without one.
std::function<void(uint64_t)> progressOf(VkTFTProgressFunction progress, void* context,
                                         uint64_t total) {
    if (progress == nullptr) {
        return nullptr;
    }
    return [=](uint64_t done) { progress(context, done, total); };
}

}  // namespace

int32_t VkLnk_createFTClientHandle(VkCErrorListPool& pool, VkTDeviceHandle handle,
                                   VkTFTClientHandle& client) {
    const char* function = "VkLnk_createFTClientHandle";
    client = nullptr;
    Device* device = deviceFor(pool, function, handle);
    if (device == nullptr) {
        return kResultInvalidHandle;
    }
    SharedTarget target;
    int32_t result = kResultOk;
    if (!passTargetAndFaults(pool, function, device->folder, "createFTClientHandle", {}, target,
                             &result)) {
        return result;
    }
    std::string error;
    if (!openCfdriveFolder(device->folder, {}, error).valid()) {
        enterError(pool, kErrRemotePath, function, error);
        return kResultFailed;
    }
    client = addHandle(std::make_unique<FtClient>(FtClient{device->folder}));
    return kResultOk;
}

namespace vksim {

size_t openFtClientCount() {
    return HandleTable<FtClient>::instance().size();
}

}  // namespace vksim

int32_t VkLnk_deleteFTClientHandle(VkCErrorListPool& pool, VkTFTClientHandle handle) {
    const char* function = "VkLnk_deleteFTClientHandle";
    std::unique_ptr<FtClient> client = removeHandle<FtClient>(handle);
    if (!client) {
        enterError(pool, kErrInvalidHandle, function,
                   std::string(function) + ": the file-transfer client handle is not valid.");
        return kResultInvalidHandle;
    }
    return releaseFault(pool, function, client->folder, "deleteFTClientHandle");
}

int64_t VkLnk_getFileU(VkCErrorListPool& pool, void*, VkTFTClientHandle handle,
                       const char* remoteFolder, const char* remoteName, const wchar_t* localPath,
                       VkTFTProgressFunction progress, void* context) {
    const char* function = "VkLnk_getFileU";
    FtClient* client = clientFor(pool, function, handle);
    const std::string folder = text(remoteFolder);
    const std::string name = text(remoteName);
    SharedTarget target;
    int64_t failed = kFailed;
    if (client == nullptr || !passFileTransferCall(pool, function, client->folder, "getFileU",
                                                   fileSubject(folder, name), target, failed)) {
        return failed;
    }
    const RegularFile remote = openRemoteFile(pool, function, *client, folder, name, O_RDONLY);
    if (!remote.valid()) {
        return kFailed;
    }
    const std::string local = wideToUtf8(localPath != nullptr ? localPath : L"");
    const RegularFile out = openLocalFile(pool, function, local, O_WRONLY | O_CREAT | O_TRUNC);
    if (!out.valid()) {
        return kFailed;
    }
    // The copy holds what the file held when it was opened, even if it grows meanwhile.
    const int64_t copied = copyFileData(remote.fd.get(), out.fd.get(), remote.size,
                                        progressOf(progress, context, remote.size));
    if (copied < 0) {
        enterError(
            pool, kErrHostFile, function,
            "Fetching " + folder + "/" + name + " to " + local + " failed: " + systemError() + ".");
        return kFailed;
    }
    return copied;
}

int64_t VkLnk_putFileU(VkCErrorListPool& pool, void*, VkTFTClientHandle handle,
                       const wchar_t* localPath, const char* remoteFolder, const char* remoteName,
                       VkTFTProgressFunction progress, void* context) {
    const char* function = "VkLnk_putFileU";
    FtClient* client = clientFor(pool, function, handle);
    const std::string folder = text(remoteFolder);
    const std::string name = text(remoteName);
    const std::string local = wideToUtf8(localPath != nullptr ? localPath : L"");
    // A put is also known by the file it writes, since files are put under a temporary name.
    FaultSubject subject = fileSubject(folder, name);
    subject.names.push_back(local);
    subject.names.push_back(local.substr(local.find_last_of('/') + 1));
    SharedTarget target;
    int64_t failed = kFailed;
    if (client == nullptr || !passFileTransferCall(pool, function, client->folder, "putFileU",
                                                   subject, target, failed)) {
        return failed;
    }
    const RegularFile in = openLocalFile(pool, function, local, O_RDONLY);
    if (!in.valid()) {
        return kFailed;
    }
    const RegularFile remote =
        openRemoteFile(pool, function, *client, folder, name, O_WRONLY | O_CREAT | O_TRUNC);
    if (!remote.valid()) {
        return kFailed;
    }
    uint64_t limit = in.size;
    if (takeFault(*target, "putFileU", subject, FaultKind::ShortWrite)) {
        limit = in.size / 2;
    }
    const int64_t copied =
        copyFileData(in.fd.get(), remote.fd.get(), limit, progressOf(progress, context, in.size));
    if (copied < 0) {
        enterError(
            pool, kErrRemoteFile, function,
            "Writing " + local + " to " + folder + "/" + name + " failed: " + systemError() + ".");
        return kFailed;
    }
    return copied;
}

int32_t VkLnk_makeDir(VkCErrorListPool& pool, void*, VkTFTClientHandle handle,
                      const char* baseFolder, const char* relativePath) {
    const char* function = "VkLnk_makeDir";
    FtClient* client = clientFor(pool, function, handle);
    const std::string base = text(baseFolder);
    const std::string relative = text(relativePath);
    SharedTarget target;
    int64_t failed = kFailed;
    if (client == nullptr ||
        !passFileTransferCall(pool, function, client->folder, "makeDir",
                              FaultSubject{{relative, base + "/" + relative}, std::nullopt}, target,
                              failed)) {
        return static_cast<int32_t>(failed);
    }
    std::vector<std::string> parts;
    std::vector<std::string> below;
    std::string error;
    if (!splitRemoteFolder(base, parts, error) || !splitRelativePath(relative, below, error)) {
        enterError(pool, kErrRemotePath, function, error);
        return kFailed;
    }
    const std::string created = below.back();
    parts.insert(parts.end(), below.begin(), below.end() - 1);
    UniqueFd parent = openCfdriveFolder(client->folder, parts, error);
    if (!parent.valid()) {
        enterError(pool, kErrRemotePath, function, error);
        return kFailed;
    }
    if (::mkdirat(parent.get(), created.c_str(), 0755) != 0) {
        enterError(pool, kErrRemoteFile, function,
                   "The remote folder " + base + "/" + relative +
                       " cannot be created: " + systemError() + ".");
        return kFailed;
    }
    return kResultOk;
}

int32_t VkLnk_renameFile(VkCErrorListPool& pool, void*, VkTFTClientHandle handle,
                         const char* remoteFolder, const char* oldName, const char* newName) {
    const char* function = "VkLnk_renameFile";
    FtClient* client = clientFor(pool, function, handle);
    const std::string folder = text(remoteFolder);
    const std::string from = text(oldName);
    const std::string to = text(newName);
    SharedTarget target;
    const FaultSubject subject{{from, to, folder + "/" + from, folder + "/" + to}, std::nullopt};
    int64_t failed = kFailed;
    if (client == nullptr || !passFileTransferCall(pool, function, client->folder, "renameFile",
                                                   subject, target, failed)) {
        return static_cast<int32_t>(failed);
    }
    // Either name may carry folders below the remote folder ("boot/loader.bin").
    std::string error;
    UniqueFd fromFolder;
    UniqueFd toFolder;
    std::string fromName;
    std::string toName;
    if (!openNameFolder(*client, folder, from, fromFolder, fromName, error) ||
        !openNameFolder(*client, folder, to, toFolder, toName, error)) {
        enterError(pool, kErrRemotePath, function, error);
        return kFailed;
    }
    if (::renameat(fromFolder.get(), fromName.c_str(), toFolder.get(), toName.c_str()) != 0) {
        enterError(pool, kErrRemoteFile, function,
                   "The remote file " + folder + "/" + from + " cannot be renamed to " + to + ": " +
                       systemError() + ".");
        return kFailed;
    }
    return kResultOk;
}
