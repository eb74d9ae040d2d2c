#include "command_runs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace target_bench {

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const timeval& time) {
    return double(time.tv_sec) + double(time.tv_usec) * 1e-6;
}

// posix_spawn's file actions, released however the run ends.
class SpawnRedirections {
  public:
    SpawnRedirections() { ::posix_spawn_file_actions_init(&actions_); }
    ~SpawnRedirections() { ::posix_spawn_file_actions_destroy(&actions_); }
    SpawnRedirections(const SpawnRedirections&) = delete;
    SpawnRedirections& operator=(const SpawnRedirections&) = delete;

    void send(int fd, const std::string& file) {
        ::posix_spawn_file_actions_addopen(&actions_, fd, file.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    const posix_spawn_file_actions_t* get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

std::string describeStatus(int status) {
    if (WIFEXITED(status)) {
        return "exited with " + std::to_string(WEXITSTATUS(status));
    }
    return "ended by signal " + std::to_string(WTERMSIG(status));
}

}  // namespace

bool runTimed(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& outputFile, RunTimes& times, std::string& error) {
    std::vector<std::string> texts{program};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    SpawnRedirections redirections;
    redirections.send(1, outputFile);
    redirections.send(2, "/dev/null");
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned =
        ::posix_spawn(&child, program.c_str(), redirections.get(), nullptr, argv.data(), environ);
    if (spawned != 0) {
        error = program + ": cannot be started: " + std::strerror(spawned);
        return false;
    }
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    times.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    times.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = program + " " + arguments.back() + " " + describeStatus(status);
        return false;
    }
    return true;
}

}  // namespace target_bench
