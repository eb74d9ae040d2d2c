// compareFiles on two equal 256 MiB files in the page cache, next to `cmp` and a bare loop of
// 128 KiB fread plus memcmp over the same files. Throughput is bytes of one file per second.
// The files are made in VK_BENCH_DIR, else TMPDIR, else /tmp, and removed at the end.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "update/file_compare.h"

namespace {

constexpr size_t kFileSize = size_t(256) << 20;

std::string benchFolder() {
    for (const char* name : {"VK_BENCH_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "/tmp";
}

// Two equal files, written once and read once so that they sit in the page cache.
class BenchFiles {
  public:
    BenchFiles() {
        folder_ = benchFolder() + "/vkcmpXXXXXX";
        if (::mkdtemp(&folder_[0]) == nullptr) {
            folder_.clear();
            return;
        }
        first_ = folder_ + "/first.bin";
        second_ = folder_ + "/second.bin";
        std::vector<char> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>((i * 2654435761u) >> 13);
        }
        for (const std::string& path : {first_, second_}) {
            std::FILE* out = std::fopen(path.c_str(), "wb");
            for (size_t done = 0; out != nullptr && done < kFileSize; done += block.size()) {
                block[0] = static_cast<char>(done >> 20);  // no two blocks alike
                std::fwrite(block.data(), 1, block.size(), out);
            }
            if (out != nullptr) {
                std::fclose(out);
            }
        }
        ready_ = compareFiles(wide(first_), wide(second_));  // also warms the page cache
    }
    ~BenchFiles() {
        std::remove(first_.c_str());
        std::remove(second_.c_str());
        if (!folder_.empty()) {
            ::rmdir(folder_.c_str());
        }
    }

    static std::wstring wide(const std::string& path) {
        return std::wstring(path.begin(), path.end());
    }

    bool ready() const { return ready_; }
    const std::string& first() const { return first_; }
    const std::string& second() const { return second_; }

  private:
    std::string folder_, first_, second_;
    bool ready_ = false;
};

BenchFiles& files() {
    static BenchFiles instance;
    return instance;
}

void finish(benchmark::State& state, bool equal) {
    if (!equal) {
        state.SkipWithError("the files did not compare equal");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileSize));
}

void BM_CompareFiles(benchmark::State& state) {
    BenchFiles& f = files();
    if (!f.ready()) {
        state.SkipWithError("cannot make the benchmark files");
        return;
    }
    const std::wstring first = BenchFiles::wide(f.first());
    const std::wstring second = BenchFiles::wide(f.second());
    bool equal = true;
    for (auto _ : state) {
        equal = compareFiles(first, second) && equal;
    }
    finish(state, equal);
}

bool bareLoop(const std::string& a, const std::string& b) {
    std::FILE* fa = std::fopen(a.c_str(), "rb");
    std::FILE* fb = std::fopen(b.c_str(), "rb");
    bool equal = fa != nullptr && fb != nullptr;
    std::vector<char> ba(kCompareBlockSize), bb(kCompareBlockSize);
    while (equal) {
        const size_t na = std::fread(ba.data(), 1, ba.size(), fa);
        const size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
        equal = na == nb && std::memcmp(ba.data(), bb.data(), na) == 0;
        if (na < ba.size()) {
            break;
        }
    }
    if (fa != nullptr) {
        std::fclose(fa);
    }
    if (fb != nullptr) {
        std::fclose(fb);
    }
    return equal;
}

void BM_BareFreadMemcmp(benchmark::State& state) {
    BenchFiles& f = files();
    if (!f.ready()) {
        state.SkipWithError("cannot make the benchmark files");
        return;
    }
    bool equal = true;
    for (auto _ : state) {
        equal = bareLoop(f.first(), f.second()) && equal;
    }
    finish(state, equal);
}

void BM_Cmp(benchmark::State& state) {
    BenchFiles& f = files();
    if (!f.ready()) {
        state.SkipWithError("cannot make the benchmark files");
        return;
    }
    const std::string command = "cmp -s '" + f.first() + "' '" + f.second() + "'";
    bool equal = true;
    for (auto _ : state) {
        equal = std::system(command.c_str()) == 0 && equal;
    }
    finish(state, equal);
}

BENCHMARK(BM_CompareFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareFreadMemcmp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cmp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
