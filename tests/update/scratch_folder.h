#pragma once
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// A folder of its own for one test, removed with everything in it at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vkplanXXXXXX";
        if (::mkdtemp(&pattern[0]) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::wstring wideFile(const std::string& name) const {
        const std::string narrow = file(name);
        return std::wstring(narrow.begin(), narrow.end());
    }

    // Writes bytes to name (made with its folders) and returns its path.
    std::string write(const std::string& name, const std::vector<char>& bytes) const {
        const std::string target = file(name);
        std::filesystem::create_directories(std::filesystem::path(target).parent_path());
        std::FILE* out = std::fopen(target.c_str(), "wb");
        if (out != nullptr) {
            if (!bytes.empty()) {
                std::fwrite(bytes.data(), 1, bytes.size(), out);
            }
            std::fclose(out);
        }
        return target;
    }

  private:
    std::string path_;
};

// size bytes of a repeatable pattern that differs from block to block.
inline std::vector<char> patternBytes(size_t size, unsigned seed = 1) {
    std::vector<char> bytes(size);
    unsigned value = seed;
    for (size_t i = 0; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(value >> 16);
    }
    return bytes;
}
