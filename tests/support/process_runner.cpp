#include "support/process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

const char kUnset[] = "<unset>";

std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& extraEnv) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (extraEnv.count(name) == 0) {
            env.push_back(text);
        }
    }
    for (const auto& [name, value] : extraEnv) {
        if (value != kUnset) {
            env.push_back(name + "=" + value);
        }
    }
    return env;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Waits for the child; its raw wait status, or -1 after it was killed for taking too long.
int waitWithTimeout(pid_t child, int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status;
}

int exitStatusOf(int rawStatus) {
    return rawStatus >= 0 && WIFEXITED(rawStatus) ? WEXITSTATUS(rawStatus) : -1;
}

}  // namespace

RunningProcess startProcess(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workFolder,
                            const std::map<std::string, std::string>& extraEnv) {
    RunningProcess process;
    process.outPath = workFolder + "/child.stdout";
    process.errPath = workFolder + "/child.stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, process.outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, process.errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argTexts = {program};
    argTexts.insert(argTexts.end(), args.begin(), args.end());
    std::vector<std::string> envTexts = childEnvironment(extraEnv);
    std::vector<char*> argv = pointersTo(argTexts);
    std::vector<char*> envp = pointersTo(envTexts);
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        process.pid = child;
    }
    posix_spawn_file_actions_destroy(&actions);
    return process;
}

bool waitForOutput(const RunningProcess& process, const std::string& marker, int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (readWholeFile(process.outPath).find(marker) != std::string::npos) {
            return true;
        }
        // An ended child is looked at, not reaped: finishProcess still collects it.
        siginfo_t ended{};
        if (process.pid < 0 ||
            waitid(P_PID, static_cast<id_t>(process.pid), &ended, WEXITED | WNOHANG | WNOWAIT) !=
                0 ||
            ended.si_pid != 0) {
            return readWholeFile(process.outPath).find(marker) != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

ProcessResult finishProcess(const RunningProcess& process, int timeoutSeconds, int* signal) {
    ProcessResult result;
    if (process.pid > 0) {
        const int raw = waitWithTimeout(process.pid, timeoutSeconds);
        result.status = exitStatusOf(raw);
        if (signal != nullptr) {
            *signal = raw >= 0 && WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
        }
    }
    result.out = readWholeFile(process.outPath);
    result.err = readWholeFile(process.errPath);
    return result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workFolder,
                         const std::map<std::string, std::string>& extraEnv, int timeoutSeconds) {
    return finishProcess(startProcess(program, args, workFolder, extraEnv), timeoutSeconds);
}
