#include "update/fetch_temp_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "interface/module_state.h"
#include "reporting/format.h"

namespace {

// Longest path the module state's tempFileName holds, terminator excluded.
constexpr size_t kMaxTempPath = 259;

// What the exit handler needs, in storage that outlives every static object: the handler
// runs while the process ends, possibly after the module state is gone.
char removalPath[4096];
pid_t removalOwner = 0;

// Removes the fetch file, only in the process that made it: a child forked later shares the
// name but not the file's ownership.
void removeFetchFileAtExit() {
    if (removalPath[0] != '\0' && ::getpid() == removalOwner) {
        std::remove(removalPath);
    }
}

// The temporary folder with a trailing separator, empty when it cannot be used.
std::string temporaryFolder() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string folder =
        (fromEnvironment != nullptr && *fromEnvironment != '\0') ? fromEnvironment : "/tmp";
    if (folder.back() != '/') {
        folder += '/';
    }
    return folder.size() > kMaxTempPath ? std::string() : folder;
}

}  // namespace

FetchFileStatus prepareFetchFile() {
    ModuleState& state = moduleState();
    if (!state.tempFileName.empty()) {
        return FetchFileStatus::Ready;
    }
    const std::string folder = temporaryFolder();
    if (folder.empty()) {
        return FetchFileStatus::NoFolder;
    }
    std::string path = folder + "VKXXXXXX";
    if (path.size() > kMaxTempPath || path.size() >= sizeof removalPath) {
        return FetchFileStatus::NoName;
    }
    const int fd = ::mkstemp(&path[0]);
    if (fd < 0) {
        return FetchFileStatus::NoName;
    }
    ::close(fd);
    std::memcpy(removalPath, path.c_str(), path.size() + 1);
    removalOwner = ::getpid();
    static const bool registered = std::atexit(removeFetchFileAtExit) == 0;
    (void)registered;
    state.tempFileName = toWide(path);
    return FetchFileStatus::Ready;
}
