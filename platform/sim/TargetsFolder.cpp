#include "sim/TargetsFolder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include "sim/JsonFile.h"

namespace vksim {

namespace {

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// broker.json describes the stand-in for the host-side device service.
ServiceState brokerState(const std::string& targets, std::string& problem) {
    const std::string broker = targets + "/broker.json";
    if (!isFile(broker)) {
        return ServiceState::Ready;
    }
    Json doc;
    if (!readJsonFile(broker, doc, problem)) {
        return ServiceState::Unreachable;
    }
    if (!doc.is_object()) {
        problem = broker + ": expected a JSON object such as {\"outdated\": false}";
        return ServiceState::Unreachable;
    }
    const auto outdated = doc.find("outdated");
    if (outdated != doc.end() && !outdated->is_boolean()) {
        problem = broker + ": outdated: expected true or false";
        return ServiceState::Unreachable;
    }
    if (outdated != doc.end() && outdated->get<bool>()) {
        problem = "The device service of " + targets + " is outdated (broker.json).";
        return ServiceState::Outdated;
    }
    return ServiceState::Ready;
}

}  // namespace

TargetsFolder locateTargetsFolder() {
    TargetsFolder folder;
    const char* value = std::getenv("VK_SIM_TARGETS");
    if (value == nullptr || *value == '\0') {
        folder.problem =
            "The device service cannot be reached: VK_SIM_TARGETS names no "
            "targets folder.";
        return folder;
    }
    char resolved[PATH_MAX];
    if (::realpath(value, resolved) == nullptr || !isFolder(resolved)) {
        folder.problem = std::string("The device service cannot be reached: the targets folder ") +
                         value + " does not exist.";
        return folder;
    }
    folder.path = resolved;
    folder.state = brokerState(folder.path, folder.problem);
    return folder;
}

std::vector<std::string> listTargetFolders(const std::string& targets) {
    std::vector<std::string> found;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(targets.c_str()), ::closedir);
    if (!dir) {
        return found;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string folder = targets + "/" + name;
        if (isFolder(folder) && isFile(folder + "/target.json")) {
            found.push_back(folder);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace vksim
