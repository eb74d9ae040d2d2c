#pragma once
#include <string>

#include "VkNInventoryManager.h"

// The staging area of a target: where transferred files wait for their update.
namespace vksim {

// The local path of the staged file a remote file handle names; false (and error) when the
// handle names none of this target.
bool stagedPathOf(const std::string& folder, const VkNInventoryManager::VkSRemoteFileHandle& remote,
                  std::string& path, std::string& error);

// The name the file had on the host.
std::string transferredFileName(const VkNInventoryManager::VkSRemoteFileHandle& remote);

}  // namespace vksim
