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

// Removes the copies an earlier update left in the staging folder (an updater that was killed
// or could not delete them). Called when an update locks the target: no other update can be
// using them then.
void removeStagedCopies(const std::string& folder);

}  // namespace vksim
