#include "description/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Files are read whole in blocks of this size.
constexpr size_t kReadBlock = 65536;

const char* kindOfFile(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a pipe";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "a special file";
}

std::string systemError() {
    return std::strerror(errno);
}

}  // namespace

RegularFile::RegularFile(const std::string& path)
    : descriptor_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
    if (descriptor_ < 0) {
        error_ = errno;
        return;
    }
    struct stat status;
    if (::fstat(descriptor_, &status) != 0) {
        error_ = errno;
    } else if (!S_ISREG(status.st_mode)) {
        kind_ = kindOfFile(status.st_mode);
        special_ = true;
    } else {
        size_ = uint64_t(status.st_size);
        return;
    }
    ::close(descriptor_);
    descriptor_ = -1;
}

std::string RegularFile::problem() const {
    if (special_) {
        return std::string("it is ") + kind_ + ", not a regular file";
    }
    return error_ != 0 ? std::strerror(error_) : "";
}

RegularFile::~RegularFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

ssize_t RegularFile::read(void* buffer, size_t count) {
    char* const bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(descriptor_, bytes + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += size_t(got);
    }
    return ssize_t(done);
}

std::optional<std::string> readRegularFile(const std::string& path, size_t maxSize,
                                           std::string& problem) {
    RegularFile file(path);
    if (!file.isOpen()) {
        problem = file.problem();
        return std::nullopt;
    }
    // The size stat reports is only a hint (kernel files report none): the file is read to its
    // end, or until it has more bytes than allowed.
    std::string content;
    content.reserve(size_t(std::min<uint64_t>(file.size(), maxSize)) + kReadBlock);
    ssize_t got = 0;
    do {
        const size_t filled = content.size();
        content.resize(filled + kReadBlock);
        got = file.read(content.data() + filled, kReadBlock);
        if (got < 0) {
            problem = "it cannot be read: " + systemError();
            return std::nullopt;
        }
        content.resize(filled + size_t(got));
    } while (got > 0 && content.size() <= maxSize);
    if (content.size() > maxSize) {
        problem = "it is larger than " + std::to_string(maxSize) + " bytes";
        return std::nullopt;
    }
    return content;
}
