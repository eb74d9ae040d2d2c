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

  private:
    int fd_ = -1;
};

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

// strerror of the current errno, for messages.
std::string systemError();

}  // namespace vksim
