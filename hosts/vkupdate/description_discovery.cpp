#include "description_discovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool hasXmlExtension(const std::string& name) {
    const std::string suffix = ".xml";
    if (name.size() <= suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined;
}

}  // namespace

DescriptionDiscovery discoverDescriptionFile(const std::string& folder) {
    DescriptionDiscovery result;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        result.error = "the firmware folder " + folder + " does not exist or is not a folder";
        return result;
    }
    std::vector<std::string> candidates;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;  // an entry that cannot be examined is no candidate
        if (hasXmlExtension(name) && it->is_regular_file(typeError)) {
            candidates.push_back(name);
        }
    }
    if (error) {
        result.error = "cannot read the firmware folder " + folder + ": " + error.message();
        return result;
    }
    std::sort(candidates.begin(), candidates.end());
    if (candidates.empty()) {
        result.error = "no description file (*.xml) in the firmware folder " + folder +
                       "; name it with --description FILE";
    } else if (candidates.size() > 1) {
        result.error = "several description files (*.xml) in the firmware folder " + folder + " (" +
                       joinNames(candidates) + "); name one with --description FILE";
    } else {
        result.found = true;
        result.fileName = candidates.front();
    }
    return result;
}

DescriptionDiscovery checkGivenDescriptionFile(const std::string& folder,
                                               const std::string& fileName) {
    DescriptionDiscovery result;
    const std::string path = folder + "/" + fileName;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        result.error =
            "the description file " + path + " cannot be opened: " + std::strerror(errno);
        return result;
    }
    struct stat status {};
    const bool examined = ::fstat(descriptor, &status) == 0;
    ::close(descriptor);
    if (examined && S_ISDIR(status.st_mode)) {
        result.error = "the description file " + path + " is a folder";
    } else if (!examined || !S_ISREG(status.st_mode)) {
        result.error = "the description file " + path + " is no regular file";
    } else {
        result.found = true;
        result.fileName = fileName;
    }
    return result;
}
