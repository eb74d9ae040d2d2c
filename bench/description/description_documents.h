#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Generated firmware descriptions for the benchmarks: a container with INFO / VERSION of the
// library's own version and the given number of entries (firmware, FPGA firmware, bus FPGA and
// boot loader entries in turn, each with the usual dozen parameters). The update files they
// name exist only when asked for: small files of kUpdateFileBytes bytes each, in the folder
// "firmware" beside the description.
class GeneratedDescription {
  public:
    enum class UpdateFiles { Absent, Present };

    explicit GeneratedDescription(size_t entries, UpdateFiles updateFiles = UpdateFiles::Absent);
    ~GeneratedDescription();
    GeneratedDescription(const GeneratedDescription&) = delete;
    GeneratedDescription& operator=(const GeneratedDescription&) = delete;

    const std::string& folder() const { return folder_; }
    const std::string& path() const { return path_; }  // folder "/" kFileName
    uint64_t size() const { return size_; }
    // Whether every file was written.
    bool complete() const { return complete_; }

    static constexpr const char* kFileName = "description.xml";
    static constexpr size_t kUpdateFileBytes = 128;

  private:
    bool writeDescription(size_t entries);
    bool writeUpdateFiles(size_t entries);

    std::string folder_;
    std::string path_;
    uint64_t size_ = 0;
    bool complete_ = false;
};
