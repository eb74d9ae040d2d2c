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
