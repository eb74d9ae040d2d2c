#include "sim/cfdrive_path.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace vksim {

const char* const kCfdriveRoot = "/mnt/cn/cfdrive";

namespace {

std::vector<std::string> splitOnSlash(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t slash = text.find('/', start);
        const size_t end = slash == std::string::npos ? text.size() : slash;
        const std::string part = text.substr(start, end - start);
        if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

bool refuseClimbing(const std::vector<std::string>& parts, const std::string& path,
                    std::string& error) {
    for (const std::string& part : parts) {
        if (part == "..") {
            error = "The remote path " + path + " climbs out of " + kCfdriveRoot + " with \"..\".";
            return false;
        }
    }
    return true;
}

}  // namespace

bool splitRemoteFolder(const std::string& folder, std::vector<std::string>& parts,
                       std::string& error) {
    const std::vector<std::string> all = splitOnSlash(folder);
    const std::vector<std::string> root = splitOnSlash(kCfdriveRoot);
    if (folder.empty() || folder[0] != '/' || all.size() < root.size() ||
        !std::equal(root.begin(), root.end(), all.begin())) {
        error = "The remote folder " + folder + " does not lie under " + kCfdriveRoot + ".";
        return false;
    }
    parts.assign(all.begin() + static_cast<long>(root.size()), all.end());
    return refuseClimbing(parts, folder, error);
}

bool splitRelativePath(const std::string& path, std::vector<std::string>& parts,
                       std::string& error) {
    parts = splitOnSlash(path);
    if (parts.empty()) {
        error = "The remote path \"" + path + "\" names no folder.";
        return false;
    }
    return refuseClimbing(parts, path, error);
}

bool checkRemoteName(const std::string& name, std::string& error) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        error = "\"" + name + "\" is no valid remote file name.";
        return false;
    }
    return true;
}

UniqueFd openCfdriveFolder(const std::string& targetFolder, const std::vector<std::string>& parts,
                           std::string& error) {
    UniqueFd current(::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!current.valid()) {
        error = targetFolder + ": " + systemError();
        return UniqueFd();
    }
    if (::mkdirat(current.get(), "cfdrive", 0755) != 0 && errno != EEXIST) {
        error = targetFolder + "/cfdrive: " + systemError();
        return UniqueFd();
    }
    std::string shown = kCfdriveRoot;
    std::vector<std::string> walk{"cfdrive"};
    walk.insert(walk.end(), parts.begin(), parts.end());
    for (size_t i = 0; i < walk.size(); ++i) {
        if (i > 0) {
            shown += "/" + walk[i];
        }
        UniqueFd next(::openat(current.get(), walk[i].c_str(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            error = errno == ELOOP || errno == ENOTDIR
                        ? "The remote folder " + shown + " is no folder of the target."
                        : "The remote folder " + shown + " cannot be opened: " + systemError();
            return UniqueFd();
        }
        current = std::move(next);
    }
    return current;
}

}  // namespace vksim
