#include "sim/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vksim {

namespace {

constexpr uint64_t kKernelBlock = 64ull << 20;
constexpr uint64_t kWholeFile = 1ull << 62;
constexpr size_t kBufferBlock = 1u << 20;

int64_t copyThroughBuffer(int in, int out, uint64_t limit, uint64_t done,
                          const std::function<void(uint64_t)>& progress) {
    std::vector<char> buffer(kBufferBlock);
    while (done < limit) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), limit - done));
        const ssize_t n = ::read(in, buffer.data(), want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || (n > 0 && !writeAll(out, buffer.data(), static_cast<size_t>(n)))) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<uint64_t>(n);
        if (progress) {
            progress(done);
        }
    }
    return static_cast<int64_t>(done);
}

uint64_t freeBytesOf(const struct statvfs& fs) {
    const uint64_t unit = fs.f_frsize;
    return unit != 0 && fs.f_bavail > UINT64_MAX / unit ? UINT64_MAX : fs.f_bavail * unit;
}

}  // namespace

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string fileKindText(unsigned mode) {
    switch (mode & S_IFMT) {
        case S_IFREG:
            return "a file";
        case S_IFDIR:
            return "a folder";
        case S_IFIFO:
            return "a FIFO";
        case S_IFCHR:
            return "a character device";
        case S_IFBLK:
            return "a block device";
        case S_IFSOCK:
            return "a socket";
        case S_IFLNK:
            return "a symbolic link";
        default:
            return "of an unknown kind";
    }
}

RegularFile openRegularFile(int folder, const std::string& path, int flags) {
    RegularFile file;
    struct stat info {};
    // Looked at before opening too: opening a FIFO for writing fails without a reader, and
    // O_CREAT | O_TRUNC must not touch what is not a regular file.
    const int statFlags = (flags & O_NOFOLLOW) != 0 ? AT_SYMLINK_NOFOLLOW : 0;
    const bool existed = ::fstatat(folder, path.c_str(), &info, statFlags) == 0;
    if (!existed || S_ISREG(info.st_mode)) {
        file.fd = UniqueFd(::openat(folder, path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644));
        if (!file.fd.valid()) {
            file.openError = errno;
            file.problem =
                ((flags & O_ACCMODE) == O_RDONLY ? "cannot be read: " : "cannot be written: ") +
                systemError();
            return file;
        }
        if (::fstat(file.fd.get(), &info) != 0) {
            file.openError = errno;
            file.problem = "cannot be read: " + systemError();
            file.fd = UniqueFd();
            return file;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        file.problem = "is " + fileKindText(info.st_mode) + ", not a regular file";
        file.fd = UniqueFd();
        return file;
    }
    file.size = static_cast<uint64_t>(info.st_size);
    return file;
}

bool checkRoomFor(const std::string& path, uint64_t payload, uint64_t overhead,
                  std::string& error) {
    const std::string what = path + ": a payload of " + std::to_string(payload) + " bytes";
    if (payload > static_cast<uint64_t>(INT64_MAX) - overhead) {
        error = what + " is more than a file can hold";
        return false;
    }
    struct statvfs fs {};
    if (::statvfs(folderOf(path).c_str(), &fs) == 0 && payload + overhead > freeBytesOf(fs)) {
        error = what + " does not fit into the " + std::to_string(freeBytesOf(fs)) +
                " bytes free on its file system";
        return false;
    }
    return true;
}

bool writeAll(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, void* data, size_t size) {
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int64_t copyFileData(int in, int out, uint64_t limit,
                     const std::function<void(uint64_t)>& progress) {
    // Tell the kernel the input is read once from start to end, as cp does.
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    const uint64_t block = progress ? kKernelBlock : kWholeFile;
    uint64_t done = 0;
    while (done < limit) {
        const size_t want = static_cast<size_t>(std::min(block, limit - done));
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            // Not possible between these files (other file systems, special files): copy
            // the rest through a buffer.
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                errno == EBADF) {
                return copyThroughBuffer(in, out, limit, done, progress);
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<uint64_t>(n);
        if (progress) {
            progress(done);
        }
    }
    return static_cast<int64_t>(done);
}

int64_t fileSizeOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return -1;
    }
    return static_cast<int64_t>(info.st_size);
}

std::string systemError() {
    return std::strerror(errno);
}

}  // namespace vksim
