#include "bench_support.h"

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace update_bench {

namespace {

double clockSeconds(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

}  // namespace

double processCpuSeconds() {
    return clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

double threadCpuSeconds() {
    return clockSeconds(CLOCK_THREAD_CPUTIME_ID);
}

void removeTree(const std::string& path) {
    ::nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

ScratchFolder::ScratchFolder(const std::string& base) {
    std::string pattern = base + "/vk-update-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

ScratchFolder::~ScratchFolder() {
    if (made() && !kept_) {
        removeTree(path_);
    }
}

StdoutCapture::StdoutCapture(const std::string& file) {
    std::fflush(stdout);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    saved_ = ::dup(STDOUT_FILENO);
    if (saved_ >= 0 && ::dup2(fd, STDOUT_FILENO) < 0) {
        ::close(saved_);
        saved_ = -1;
    }
    ::close(fd);
}

StdoutCapture::~StdoutCapture() {
    restore();
}

void StdoutCapture::restore() {
    if (saved_ < 0) {
        return;
    }
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    saved_ = -1;
}

std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool writeFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out.flush());
}

std::string lastLines(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) {
        return text;
    }
    const size_t from = text.size() - bytes;
    const size_t lineStart = text.find('\n', from);
    return lineStart == std::string::npos ? text.substr(from) : text.substr(lineStart + 1);
}

}  // namespace update_bench
