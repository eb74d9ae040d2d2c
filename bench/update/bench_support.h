#pragma once
#include <cstddef>
#include <string>

// Clocks and scratch space of the update benchmark.
namespace update_bench {

double processCpuSeconds();
// CPU time of the calling thread only.
double threadCpuSeconds();

// Removes a folder and everything below it; symbolic links are removed, never followed.
void removeTree(const std::string& path);

// A fresh folder made with mkdtemp inside a base folder; removed with all its content when
// the object goes.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& base);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool made() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    // Leaves the folder in place when the object goes.
    void keep() { kept_ = true; }

  private:
    std::string path_;
    bool kept_ = false;
};

// Sends standard output (file descriptor 1 and stdout) into a file while it lives.
class StdoutCapture {
  public:
    explicit StdoutCapture(const std::string& file);
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    bool active() const { return saved_ >= 0; }
    // Gives standard output back; later calls do nothing.
    void restore();

  private:
    int saved_ = -1;
};

std::string readFileText(const std::string& path);
bool writeFileText(const std::string& path, const std::string& text);
// How much of the library's output a failure message shows.
constexpr size_t kOutputTailBytes = 2000;
// The last bytes of a text, from the start of a line where there is one.
std::string lastLines(const std::string& text, size_t bytes);

}  // namespace update_bench
