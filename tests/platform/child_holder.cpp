#include "child_holder.h"

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

}  // namespace simtest
