#pragma once
#include <string>
#include <vector>

// The targets folder: one sub-folder per simulated target, found through VK_SIM_TARGETS at
// the time of each call. It stands for the host-side service that finds devices.
namespace vksim {

enum class ServiceState { Ready, Unreachable, Outdated };

struct TargetsFolder {
    ServiceState state = ServiceState::Unreachable;
    std::string path;     // absolute, when Ready
    std::string problem;  // why it is not Ready
};

// Looks at VK_SIM_TARGETS now: unset, empty or no folder is Unreachable, and so is a broken
// broker.json; a broker.json with {"outdated": true} is Outdated. problem names the path and
// what is wrong with it.
TargetsFolder locateTargetsFolder();

// Absolute paths of the sub-folders that hold a target.json of any kind, sorted by name.
std::vector<std::string> listTargetFolders(const std::string& targets);

}  // namespace vksim
