#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// A regular file opened for reading, closed when it goes out of scope. It is opened without
// waiting (a pipe would wait for a writer) and refused unless it is a regular file, so no
// folder, pipe, socket or device is ever read. The descriptor stays non-blocking: a file that
// claims to be regular but would wait for data (as some kernel files do) fails to read
// instead of hanging.
class RegularFile {
  public:
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }
    // Whether the path names something else than a regular file: a folder, pipe, device...
    bool isSpecialFile() const { return special_; }
    // Why the file is not open, e.g. "it is a pipe, not a regular file" or "No such file or
    // directory"; empty when it is. Made when asked for: most callers only test isOpen.
    std::string problem() const;
    uint64_t size() const { return size_; }
    int descriptor() const { return descriptor_; }

    // Reads up to count bytes; fewer only at the end of the file. -1 on a read error.
    ssize_t read(void* buffer, size_t count);

  private:
    int descriptor_ = -1;
    uint64_t size_ = 0;
    bool special_ = false;
    int error_ = 0;          // errno of the failed open or fstat
    const char* kind_ = "";  // what the path names when it is not a regular file
};

// The whole content of the regular file at path, when it has at most maxSize bytes; otherwise
// nothing, and problem says why (as RegularFile::problem, or that it is too large or cannot be
// read).
std::optional<std::string> readRegularFile(const std::string& path, size_t maxSize,
                                           std::string& problem);
