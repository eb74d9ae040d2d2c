#pragma once
#include <functional>
#include <optional>
#include <string>

#include "sim/faults.h"
#include "sim/target_model.h"

// Changes of a target's target.json by the calls (unloaded applications, reboots, used-up
// faults, applied updates). Each change reads, changes and saves the file while holding the
// target's state lock, so calls of several processes never lose each other's changes.
namespace vksim {

// Runs change on the freshly loaded target; saves when it returns true. error names the file
// and the place when the target cannot be read or saved, or is what change set.
bool changeTarget(const std::string& folder,
                  const std::function<bool(Target&, std::string&)>& change, std::string& error);

// The first fault of target that matches the call, or none. A fault with "times" is used up
// by one: its count in target.json goes down by one.
std::optional<Fault> takeFault(const Target& target, const std::string& call,
                               const FaultSubject& subject, FaultKind kind = FaultKind::Failure);

}  // namespace vksim
