#pragma once
#include <memory>
#include <string>

#include "VkCInventoryItem.h"
#include "VkPlatformApi.h"
#include "sim/target_model.h"

// target.json of each target read, parsed and checked once for as long as the file stays the
// same, and shared by the calls of the process instead of being read again by each of them.
// A call first compares the file's state (device, inode, size, modification and status change
// times to the nanosecond) with the state it was read in, so a change by another process is
// seen at the next call; the process's own saves replace what is remembered at once. Safe
// for calls from several threads: what is remembered is never changed, only replaced.
namespace vksim {

// A target.json as read and checked, with the inventory tree built while checking it. Shared
// and never changed: a call that needs a tree of its own copies it.
struct CheckedTarget : Target {
    std::unique_ptr<const VkCInventoryItem> inventory;  // ROOT and the items of "inventory"
};
using SharedTarget = std::shared_ptr<const CheckedTarget>;

// The target of folder as its target.json is now; null (and error naming the file and the
// place) when it cannot be read or is broken. A broken file is reported at every call.
VK_PLATFORM_API SharedTarget currentTarget(const std::string& folder, std::string& error);

// For a change of the target under its state lock: the target as target.json is now, read
// from the file. What was parsed before is used only for the very same bytes.
bool readTargetForChange(const std::string& folder, Target& target, std::string& error);

}  // namespace vksim
