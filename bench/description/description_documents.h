#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Generated firmware descriptions for the benchmarks: a container with INFO / VERSION of the
// library's own version and the given number of entries (firmware, FPGA firmware, bus FPGA and
// boot loader entries in turn, each with the usual dozen parameters). The update files they
// name do not exist.
class GeneratedDescription {
  public:
    explicit GeneratedDescription(size_t entries);
    ~GeneratedDescription();
    GeneratedDescription(const GeneratedDescription&) = delete;
    GeneratedDescription& operator=(const GeneratedDescription&) = delete;

    const std::string& folder() const { return folder_; }
    const std::string& path() const { return path_; }  // folder "/" kFileName
    uint64_t size() const { return size_; }

    static constexpr const char* kFileName = "description.xml";

  private:
    std::string folder_;
    std::string path_;
    uint64_t size_ = 0;
};
