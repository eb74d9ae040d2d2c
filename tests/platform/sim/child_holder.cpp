#include "child_holder.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace simtest {

ChildHolder::ChildHolder(const std::string& targets, const std::string& systemName,
                         const std::string& what) {
    int toChild[2];
    int fromChild[2];
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, toChild[1]);
    posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    std::vector<std::string> args = {VK_SIM_HOLDER, targets, systemName, what};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, VK_SIM_HOLDER, &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
}

ChildHolder::~ChildHolder() {
    if (pid_ > 0) {
        release();
    }
    if (input_ >= 0) {
        ::close(input_);
    }
    if (output_ >= 0) {
        ::close(output_);
    }
}

std::string ChildHolder::answer() {
    std::string line;
    char c = 0;
    while (::read(output_, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

bool ChildHolder::kill() {
    if (pid_ <= 0) {
        return false;
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

int ChildHolder::release() {
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
    int status = 0;
    if (pid_ > 0) {
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string runBounded(const std::function<std::string()>& work, int seconds) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return "no pipe";
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return "no child";
    }
    if (pid == 0) {
        ::close(fds[0]);
        const std::string text = work();
        const ssize_t ignored = ::write(fds[1], text.data(), text.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    pollfd waiting{fds[0], POLLIN, 0};
    char buffer[4096];
    ssize_t n = -1;  // stays so when the child says nothing in time
    while (::poll(&waiting, 1, seconds * 1000) == 1 &&
           (n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(n));
    }
    const bool finished = n == 0;
    ::close(fds[0]);
    if (!finished) {
        ::kill(pid, SIGKILL);
    }
    ::waitpid(pid, nullptr, 0);
    return finished ? text : "timed out";
}

}  // namespace simtest
