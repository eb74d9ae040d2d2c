#include "update/fetch_temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

#include "interface/module_state.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

// Longest temporary folder path accepted, trailing separator included.
constexpr size_t kMaxTempPath = 259;

// A file descriptor, closed when it goes out of scope.
class UniqueDescriptor {
  public:
    explicit UniqueDescriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~UniqueDescriptor() { close(); }
    UniqueDescriptor(const UniqueDescriptor&) = delete;
    UniqueDescriptor& operator=(const UniqueDescriptor&) = delete;
    UniqueDescriptor& operator=(UniqueDescriptor&& other) noexcept {
        if (this != &other) {
            close();
            descriptor_ = other.descriptor_;
            other.descriptor_ = -1;
        }
        return *this;
    }

    int get() const { return descriptor_; }

  private:
    void close() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }

    int descriptor_;
};

// The fetch file: it has no name in any folder, only this descriptor, open until the process
// ends.
UniqueDescriptor fetchFile;

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

// A new file in folder, readable only by the user, that is removed as soon as its last
// descriptor closes, however the process ends. Made without a name where the file system
// allows it; elsewhere it is given a unique name that is removed at once.
int createUnnamedFile(const std::string& folder) {
    const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    if (unnamed >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
        return unnamed;
    }
    std::string path = folder + "VKXXXXXX";
    const int named = ::mkostemp(&path[0], O_CLOEXEC);
    if (named >= 0) {
        ::unlink(path.c_str());
    }
    return named;
}

// The path that opens the file of descriptor again, or empty when this system has none. The
// fetch opens it by that path as it opens any local file, to write, creating and truncating:
// that is tried here.
std::string reopenablePath(int descriptor) {
    if (descriptor < 0) {
        return std::string();
    }
    const std::string path = "/proc/self/fd/" + std::to_string(descriptor);
    const UniqueDescriptor reopened(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    struct stat original;
    struct stat viaPath;
    const bool same = reopened.get() >= 0 && ::fstat(descriptor, &original) == 0 &&
                      ::fstat(reopened.get(), &viaPath) == 0 && original.st_dev == viaPath.st_dev &&
                      original.st_ino == viaPath.st_ino;
    return same ? path : std::string();
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
    UniqueDescriptor made(createUnnamedFile(folder));
    const std::string path = reopenablePath(made.get());
    if (path.empty()) {
        return FetchFileStatus::NoName;
    }
    fetchFile = std::move(made);  // an earlier one, whose name was forgotten, is closed
    state.tempFileName = utf8ToWide(path);
    return FetchFileStatus::Ready;
}
