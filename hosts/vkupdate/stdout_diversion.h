#pragma once
#include <cstdio>

// For the JSON event mode: standard output must carry nothing but the JSON lines, yet the
// library writes some texts straight to the console. While an instance lives, the real
// standard output is reachable only through jsonStream(), and file descriptor 1 (with the
// C and C++ standard output on it) points at standard error.
class StdoutDiversion {
  public:
    StdoutDiversion();
    ~StdoutDiversion();
    StdoutDiversion(const StdoutDiversion&) = delete;
    StdoutDiversion& operator=(const StdoutDiversion&) = delete;

    bool ok() const { return json_ != nullptr; }
    std::FILE* jsonStream() const { return json_; }

  private:
    std::FILE* json_ = nullptr;
};
