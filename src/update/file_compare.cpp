#include "update/file_compare.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "reporting/console.h"
#include "reporting/format.h"

namespace {

// A file opened for reading; closed when it goes out of scope.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::wstring& path)
        : fd_(::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ >= 0) {
            ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    // Reads up to size bytes; fewer only at the end of the file. -1 on a read error.
    ssize_t readBlock(char* buffer, size_t size) {
        size_t done = 0;
        while (done < size) {
            const ssize_t got = ::read(fd_, buffer + done, size - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return -1;
            }
            if (got == 0) {
                break;
            }
            done += static_cast<size_t>(got);
        }
        return static_cast<ssize_t>(done);
    }

  private:
    int fd_;
};

bool sameContent(ReadOnlyFile& first, ReadOnlyFile& second) {
    std::vector<char> buffers(2 * kCompareBlockSize);
    char* const a = buffers.data();
    char* const b = a + kCompareBlockSize;
    while (true) {
        const ssize_t countA = first.readBlock(a, kCompareBlockSize);
        const ssize_t countB = second.readBlock(b, kCompareBlockSize);
        const bool equal = countA >= 0 && countB >= 0 && countA == countB &&
                           std::memcmp(a, b, static_cast<size_t>(countA)) == 0;
        // A full block from the first file may be followed by more, even an empty step.
        if (!equal || static_cast<size_t>(countA) < kCompareBlockSize) {
            return equal;
        }
    }
}

}  // namespace

bool compareFiles(const std::wstring& first, const std::wstring& second) {
    ReadOnlyFile firstFile(first);
    if (!firstFile.isOpen()) {
        trace(L"ERROR: Cannot open file %ls!\n", first.c_str());
        return false;
    }
    ReadOnlyFile secondFile(second);
    if (!secondFile.isOpen()) {
        trace(L"ERROR: Cannot open file %s!\n", second.c_str());
        return false;
    }
    return sameContent(firstFile, secondFile);
}
