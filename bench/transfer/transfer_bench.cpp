// Measures VkCInventoryManager::transferFile of a large file against `cp` of the same file on
// the same file system, side by side, alternating the two.
//   bench_transfer [FOLDER] [MIB] [ROUNDS]     defaults: $TMPDIR or /tmp, 256, 5
#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "VkNInventoryIDs.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Setup {
    std::string folder;
    std::string source;
    VkCErrorListPool pool;
    VkTDeviceHandle device = nullptr;
    VkCInventoryRootHandle* root = nullptr;
    VkTLockHandle lock = nullptr;
};

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

bool writeSource(const std::string& path, size_t mebibytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    std::vector<unsigned char> block(1 << 20);
    bool ok = true;
    for (size_t m = 0; m < mebibytes && ok; ++m) {
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<unsigned char>((i * 131 + m * 7) >> 3);
        }
        ok = ::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size());
    }
    ok = ok && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool openTarget(Setup& setup) {
    const std::string targets = setup.folder + "/targets";
    const std::string target = targets + "/bench";
    ::mkdir(targets.c_str(), 0755);
    ::mkdir(target.c_str(), 0755);
    FILE* file = std::fopen((target + "/target.json").c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    std::fputs(R"({"systemName": "bench", "ipAddress": "10.0.0.1", "inventory": [
        {"id": "HCN", "items": [{"id": "PRODUCT", "params": {"SERIAL_NUMBER": 1}}]}]})",
               file);
    std::fclose(file);
    ::setenv("VK_SIM_TARGETS", targets.c_str(), 1);
    VkTFilterHandle filter = nullptr;
    VkLnk_createFilter(setup.pool, filter, 1);
    VkLnk_applyFilter(setup.pool, filter);
    VkSDeviceInformation record;
    uint32_t count = 1;
    const bool found = VkLnk_getDeviceList(setup.pool, filter, &record, count) == 0 && count == 1;
    VkLnk_deleteFilter(setup.pool, filter);
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    return found && VkLnk_createDeviceHandle(setup.pool, setup.device, record) == 0 &&
           manager->createRootHandleByDeviceHandleList(setup.pool, &setup.device, 1, setup.root) ==
               0 &&
           manager->lock(setup.pool, setup.root, VkNInventoryIDs::ROOT / VkNInventoryIDs::HCN,
                         0x10003, setup.lock) == 0;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double timeCp(const Setup& setup) {
    const std::string target = setup.folder + "/cp-copy.bin";
    std::vector<std::string> args = {"cp", setup.source, target};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    int status = 0;
    if (posix_spawnp(&pid, "cp", nullptr, nullptr, argv.data(), environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    const double seconds = secondsSince(start);
    ::unlink(target.c_str());
    return seconds;
}

double timeTransfer(Setup& setup) {
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    const std::wstring path(setup.source.begin(), setup.source.end());
    VkNInventoryManager::VkSRemoteFileHandle remote;
    const Clock::time_point start = Clock::now();
    if (manager->transferFile(setup.pool, setup.root, VkNInventoryIDs::ROOT / VkNInventoryIDs::HCN,
                              setup.lock, path.c_str(), nullptr, nullptr, remote) != 0) {
        return -1;
    }
    const double seconds = secondsSince(start);
    manager->deleteRemoteFile(setup.pool, setup.root, VkNInventoryIDs::ROOT / VkNInventoryIDs::HCN,
                              setup.lock, remote);
    return seconds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = argc > 1 ? argv[1] : (tmp && *tmp ? tmp : "/tmp");
    const size_t mebibytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 256;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    Setup setup;
    std::string pattern = base + "/vk-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || mebibytes == 0 || rounds <= 0) {
        std::fprintf(stderr, "bench_transfer: cannot make a folder in %s\n", base.c_str());
        return 1;
    }
    setup.folder = pattern;
    setup.source = setup.folder + "/source.bin";
    int status = 1;
    if (!writeSource(setup.source, mebibytes) || !openTarget(setup)) {
        std::fprintf(stderr, "bench_transfer: setup failed\n");
    } else {
        std::vector<double> cp;
        std::vector<double> transfer;
        timeCp(setup);  // warm the page cache once for both
        // Each copy starts with no dirty pages left by the one before; the order alternates.
        for (int round = 0; round < rounds; ++round) {
            ::sync();
            const double first = round % 2 == 0 ? timeCp(setup) : timeTransfer(setup);
            ::sync();
            const double second = round % 2 == 0 ? timeTransfer(setup) : timeCp(setup);
            cp.push_back(round % 2 == 0 ? first : second);
            transfer.push_back(round % 2 == 0 ? second : first);
        }
        const double cpMedian = median(cp);
        const double transferMedian = median(transfer);
        const double ratio = transferMedian / cpMedian;
        std::printf("file: %zu MiB in %s, %d rounds\n", mebibytes, setup.folder.c_str(), rounds);
        std::printf("cp:           median %.3f s  min %.3f s  (%.0f MiB/s)\n", cpMedian,
                    *std::min_element(cp.begin(), cp.end()), mebibytes / cpMedian);
        std::printf("transferFile: median %.3f s  min %.3f s  (%.0f MiB/s)\n", transferMedian,
                    *std::min_element(transfer.begin(), transfer.end()),
                    mebibytes / transferMedian);
        std::printf("ratio transferFile/cp: %.2f (%s 1.3)\n", ratio,
                    ratio <= 1.3 ? "within" : "ABOVE");
        status = std::min(*std::min_element(cp.begin(), cp.end()),
                          *std::min_element(transfer.begin(), transfer.end())) < 0
                     ? 1
                     : 0;
    }
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    manager->unlock(setup.pool, setup.lock);
    manager->deleteRootHandle(setup.pool, setup.root);
    VkLnk_deleteDeviceHandle(setup.pool, setup.device);
    ::nftw(setup.folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    return status;
}
