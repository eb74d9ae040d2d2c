#include "sim/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

}  // namespace

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
