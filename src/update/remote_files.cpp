#include "update/remote_files.h"

#include <cstring>
#include <optional>

#include "description/update_file_access.h"
#include "reporting/console.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

FtClientHandle::FtClientHandle(VkCErrorListPool& pool, VkTDeviceHandle device) : pool_(pool) {
    open_ = VkLnk_createFTClientHandle(pool, device, handle_) == 0;
}

FtClientHandle::~FtClientHandle() {
    close();
}

int32_t FtClientHandle::close() {
    if (!open_) {
        return 0;
    }
    open_ = false;
    return VkLnk_deleteFTClientHandle(pool_, handle_);
}

SeparateErrorList::SeparateErrorList()
    : list_(VkCErrorManager::getInstance().createErrorList(0, 1, 20, 5, 300)) {}

SeparateErrorList::~SeparateErrorList() {
    if (list_ != nullptr) {
        VkCErrorManager::getInstance().deleteErrorList(list_);
    }
}

int32_t putFileViaTemp(VkCErrorListPool& pool, VkTFTClientHandle client, std::wstring localPath,
                       const std::string& folder, const std::string& name, uint64_t expectedSize) {
    const int64_t written = VkLnk_putFileU(pool, nullptr, client, localPath.c_str(), folder.c_str(),
                                           kTemporaryRemoteName, nullptr, nullptr);
    // A short file must never take the final name, with or without an error recorded.
    if (written < 0 || static_cast<uint64_t>(written) != expectedSize) {
        return -1;
    }
    const uint32_t beforeRename = pool.getErrorCount();
    const int32_t renamed =
        VkLnk_renameFile(pool, nullptr, client, folder.c_str(), kTemporaryRemoteName, name.c_str());
    return (renamed < 0 || pool.getErrorCount() != beforeRename) ? -1 : 0;
}

bool remoteLocation(const VkCString& targetFileName, size_t capacity, std::string& folder,
                    std::string& name) {
    const std::string path = std::string(kCnDriveRoot) + "/" + targetFileName.str();
    if (path.size() >= capacity) {
        return false;
    }
    const size_t slash = path.rfind('/');
    folder = path.substr(0, slash);
    name = path.substr(slash + 1);
    return true;
}

size_t longestTargetFileName(size_t capacity) {
    return capacity - 2 - std::strlen(kCnDriveRoot);
}

void reportFileLineStart(const std::wstring& fileName) {
    reportMessage(L"%*s%-*s%*s", 8, L"", 46, fileName.c_str(), 2, L"");
}

std::wstring localFilePath(const VkTCmdOptions& options, const UpdateFileRecord& file) {
    const std::optional<std::string> path = updateFilePath(options.firmwareFolder, file.FileName);
    return path ? utf8ToWide(*path) : std::wstring();
}
