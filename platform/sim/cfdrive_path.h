#pragma once
#include <string>
#include <vector>

#include "sim/file_copy.h"

// Remote paths of the file-transfer client. The target's "/mnt/cn/cfdrive" is the folder
// cfdrive/ of the simulated target; a remote path must lie below it. ".." and symbolic links
// are never followed, so nothing outside the target's folder is read or written.
namespace vksim {

extern const char* const kCfdriveRoot;  // "/mnt/cn/cfdrive"

// The folders below cfdrive that a remote folder text names; false (and error) when it does
// not lie under /mnt/cn/cfdrive or climbs with "..".
bool splitRemoteFolder(const std::string& folder, std::vector<std::string>& parts,
                       std::string& error);
// A relative path below a folder ("a/b/c"); leading slashes are dropped, ".." refused.
bool splitRelativePath(const std::string& path, std::vector<std::string>& parts,
                       std::string& error);
// A single file name: not empty, no "/", not "." or "..".
bool checkRemoteName(const std::string& name, std::string& error);

// Opens the folder parts below the target's cfdrive (creating cfdrive itself when missing),
// refusing symbolic links on the way.
UniqueFd openCfdriveFolder(const std::string& targetFolder, const std::vector<std::string>& parts,
                           std::string& error);

}  // namespace vksim
