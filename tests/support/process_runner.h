#pragma once
#include <map>
#include <string>
#include <vector>

// What a finished child process left behind.
struct ProcessResult {
    std::string out;  // everything written to standard output
    std::string err;  // everything written to standard error
    int status = -1;  // exit status; -1 when it did not exit normally or timed out
};

// Runs program with args, standard input from /dev/null and both output streams captured
// through files in workFolder. extraEnv entries are set in the child; an entry whose value
// is "<unset>" removes the variable. A child running longer than timeoutSeconds is killed.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workFolder,
                         const std::map<std::string, std::string>& extraEnv = {},
                         int timeoutSeconds = 60);

// A child started by startProcess that runs while the test acts on it.
struct RunningProcess {
    int pid = -1;
    std::string outPath;
    std::string errPath;
};

// Starts program like runProcess, without waiting for it.
RunningProcess startProcess(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workFolder,
                            const std::map<std::string, std::string>& extraEnv = {});

// Waits until the child's standard output holds marker; false when the child ended or
// timeoutSeconds passed first.
bool waitForOutput(const RunningProcess& process, const std::string& marker,
                   int timeoutSeconds = 60);

// Waits for the child (killing it after timeoutSeconds) and collects what it left behind.
// status is -1 when it did not exit normally; signal is the signal that ended it, else 0.
ProcessResult finishProcess(const RunningProcess& process, int timeoutSeconds = 60,
                            int* signal = nullptr);
