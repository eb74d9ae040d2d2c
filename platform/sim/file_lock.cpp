#include "sim/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/file_copy.h"

namespace vksim {

FileLock::~FileLock() {
    release();
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileLock::acquire(const std::string& path, Mode mode, bool wait, bool& busy,
                       std::string& error) {
    release();
    busy = false;
    // Each acquisition opens the file anew: flock locks belong to the open file, so a
    // second holder in the same process conflicts like one in another process.
    // Never through a symbolic link: nothing outside the target's folder is created.
    RegularFile file = openRegularFile(AT_FDCWD, path, O_RDWR | O_CREAT | O_NOFOLLOW);
    if (!file.valid()) {
        error = path + ": " + file.problem;
        return false;
    }
    const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
    int result = 0;
    do {
        result = ::flock(file.fd.get(), operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        busy = errno == EWOULDBLOCK;
        error = busy ? path + ": held by another holder"
                     : path + ": cannot lock: " + std::strerror(errno);
        return false;
    }
    fd_ = file.fd.release();
    return true;
}

void FileLock::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace vksim
