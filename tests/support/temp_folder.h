#pragma once
#include <string>

// A fresh folder under the system's temporary folder for one test, removed with everything in
// it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // The path of relativePath inside the folder, narrow and wide.
    std::string file(const std::string& relativePath) const;
    std::wstring wideFile(const std::string& relativePath = "") const;
    // Writes bytes to relativePath, making its folders; returns the file's path.
    std::string write(const std::string& relativePath, const std::string& bytes) const;
    // The bytes of relativePath ("" when it cannot be read).
    std::string read(const std::string& relativePath) const;

  private:
    std::string path_;
};

// size bytes of a repeatable pattern that differs from block to block.
std::string patternBytes(size_t size, unsigned seed = 1);
