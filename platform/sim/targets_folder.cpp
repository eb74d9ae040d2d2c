#include "sim/targets_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "sim/file_copy.h"
#include "sim/json_file.h"

namespace vksim {

namespace {

const char* const kUnreachable = "The device service cannot be reached: ";

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// broker.json describes the stand-in for the host-side device service.
ServiceState brokerState(const std::string& targets, std::string& problem) {
    const std::string broker = targets + "/broker.json";
    if (!exists(broker)) {
        return ServiceState::Ready;
    }
    Json doc;
    if (!readJsonFile(broker, doc, problem)) {
        problem = kUnreachable + problem;
        return ServiceState::Unreachable;
    }
    if (!doc.is_object()) {
        problem = kUnreachable + broker + ": expected a JSON object such as {\"outdated\": false}";
        return ServiceState::Unreachable;
    }
    const auto outdated = doc.find("outdated");
    if (outdated != doc.end() && !outdated->is_boolean()) {
        problem = kUnreachable + broker + ": outdated: expected true or false";
        return ServiceState::Unreachable;
    }
    if (outdated != doc.end() && outdated->get<bool>()) {
        problem = "The device service of " + targets + " is outdated (broker.json).";
        return ServiceState::Outdated;
    }
    return ServiceState::Ready;
}

// What is wrong with the folder VK_SIM_TARGETS names; empty when it is a folder.
std::string targetsFolderProblem(const std::string& value, std::string& resolved) {
    char buffer[PATH_MAX];
    struct stat info {};
    if (::realpath(value.c_str(), buffer) == nullptr || ::stat(buffer, &info) != 0) {
        return errno == ENOENT ? "does not exist" : "cannot be opened: " + systemError();
    }
    resolved = buffer;
    return S_ISDIR(info.st_mode) ? "" : "is " + fileKindText(info.st_mode) + ", not a folder";
}

}  // namespace

TargetsFolder locateTargetsFolder() {
    TargetsFolder folder;
    const char* value = std::getenv("VK_SIM_TARGETS");
    if (value == nullptr || *value == '\0') {
        folder.problem = std::string(kUnreachable) + "VK_SIM_TARGETS " +
                         (value == nullptr ? "is not set" : "is empty") +
                         ", so there is no targets folder.";
        return folder;
    }
    const std::string problem = targetsFolderProblem(value, folder.path);
    if (!problem.empty()) {
        folder.path.clear();
        folder.problem =
            kUnreachable + std::string("the targets folder ") + value + " " + problem + ".";
        return folder;
    }
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
        // Any kind of target.json counts: one that is no regular file is left out of the
        // device search with a warning, like a broken one.
        if (isFolder(folder) && exists(folder + "/target.json")) {
            found.push_back(folder);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace vksim
