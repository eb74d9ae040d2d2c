#pragma once
#include <string>

// A lock on a lock file that the operating system holds for the open file: it is dropped
// when the holder closes it or when its process ends in any way, so a killed updater never
// leaves a target locked. Two holders conflict even within one process.
namespace vksim {

class FileLock {
  public:
    enum class Mode { Shared, Exclusive };

    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on path (created when missing). With wait false a lock held by someone
    // else gives false at once and busy is set; other failures leave busy clear. error says
    // what happened.
    bool acquire(const std::string& path, Mode mode, bool wait, bool& busy, std::string& error);
    void release();
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace vksim
