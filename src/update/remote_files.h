#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "VkCErrorList.h"
#include "VkCString.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// Plain files on the target's CN drive, written and fetched through a file-transfer client.

// Root of the CN drive on the target, where bus-FPGA files and boot loaders live as files.
constexpr const char* kCnDriveRoot = "/mnt/cn/cfdrive";
// Name under which a file is written before it is renamed to its final name.
constexpr const char* kTemporaryRemoteName = "_TEMP001.TMP";

// A file-transfer client on the target, deleted when it goes out of scope.
class FtClientHandle {
  public:
    FtClientHandle(VkCErrorListPool& pool, VkTDeviceHandle device);
    ~FtClientHandle();
    FtClientHandle(const FtClientHandle&) = delete;
    FtClientHandle& operator=(const FtClientHandle&) = delete;

    bool isOpen() const { return open_; }
    VkTFTClientHandle get() const { return handle_; }
    // Deletes the client now; the result of the deletion (0 = deleted).
    int32_t close();

  private:
    VkCErrorListPool& pool_;
    VkTFTClientHandle handle_ = nullptr;
    bool open_ = false;
};

// An error list of its own from the error manager, for calls whose errors must not reach the
// caller's pool; given back to the error manager when it goes out of scope.
class SeparateErrorList {
  public:
    SeparateErrorList();
    ~SeparateErrorList();
    SeparateErrorList(const SeparateErrorList&) = delete;
    SeparateErrorList& operator=(const SeparateErrorList&) = delete;

    bool valid() const { return list_ != nullptr; }
    VkCErrorListPool& get() { return *list_; }

  private:
    VkCErrorListPool* list_;
};

// Writes localPath into the target folder under the temporary name, then renames it to name.
// 0 on success; -1 when the put fails or writes another number of bytes than expectedSize
// (a short file is never renamed, so it never takes the final name), or when the rename fails
// or records an error.
int32_t putFileViaTemp(VkCErrorListPool& pool, VkTFTClientHandle client, std::wstring localPath,
                       const std::string& folder, const std::string& name, uint64_t expectedSize);

// The CN drive folder and file name of a target file name ("/mnt/cn/cfdrive/" + the name,
// split at its last slash). False when that path does not fit in a buffer of capacity bytes
// with its terminator: a cut path would name another file.
bool remoteLocation(const VkCString& targetFileName, size_t capacity, std::string& folder,
                    std::string& name);

// The longest target file name that remoteLocation takes for a buffer of capacity bytes.
size_t longestTargetFileName(size_t capacity);

// The start of an update output line: eight blanks, the file name left-justified in 46
// columns, two blanks. The status ("[OK]", "[ERROR]") follows on the same line.
void reportFileLineStart(const std::wstring& fileName);

// The local path of an update file as the platform's calls take it; empty when the file's
// name would reach outside the firmware folder (such a file is never read).
std::wstring localFilePath(const VkTCmdOptions& options, const UpdateFileRecord& file);
