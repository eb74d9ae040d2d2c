#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Byte copying between open files, in the kernel where it can (no trip through user memory).
namespace vksim {

// Owns a file descriptor.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives up ownership: the caller closes the descriptor.
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

// A file opened by openRegularFile.
struct RegularFile {
    UniqueFd fd;
    uint64_t size = 0;    // as fstat reported right after opening
    std::string problem;  // why it was not opened, to follow the file's name
    int openError = 0;    // errno of a failed open; 0 when the file was refused for its kind
    bool valid() const { return fd.valid(); }
};

// Opens path (relative to folder, or AT_FDCWD) with flags plus O_NONBLOCK, so a FIFO or a
// device never stalls the call, and refuses anything but a regular file ("is a FIFO, not a
// regular file"). With O_NOFOLLOW a symbolic link is refused the same way.
RegularFile openRegularFile(int folder, const std::string& path, int flags);

// What kind of file a mode names, for messages: "a FIFO", "a folder", ...
std::string fileKindText(unsigned mode);

// False (and error naming path) when a new file of payload plus overhead bytes cannot be
// written at path: more than a file can hold, or more than its file system has free.
bool checkRoomFor(const std::string& path, uint64_t payload, uint64_t overhead, std::string& error);

// Copies from in (from its current offset) to out, at most limit bytes. progress, when set,
// gets the bytes copied so far after every block (without it the kernel is asked for all of
// it at once). Returns the bytes copied, or -1 with errno set.
int64_t copyFileData(int in, int out, uint64_t limit,
                     const std::function<void(uint64_t)>& progress = nullptr);

// Writes all size bytes, retrying after interruptions and short writes; false on an error.
bool writeAll(int fd, const void* data, size_t size);
// Reads exactly size bytes; false on an error or an early end of file.
bool readAll(int fd, void* data, size_t size);

// The size of an open file, -1 on failure.
int64_t fileSizeOf(int fd);

// The folder part of a path: "." without one.
std::string folderOf(const std::string& path);

// strerror of the current errno, for messages.
std::string systemError();

}  // namespace vksim
