#pragma once
#include <sys/types.h>

#include <functional>
#include <string>

// A second process (the sim_holder helper) that takes the inventory lock or the exclusive
// access restriction of a simulated target and keeps it until released or killed.
namespace simtest {

class ChildHolder {
  public:
    // what: "lock" or "restrict".
    ChildHolder(const std::string& targets, const std::string& systemName, const std::string& what);
    ~ChildHolder();
    ChildHolder(const ChildHolder&) = delete;
    ChildHolder& operator=(const ChildHolder&) = delete;

    // The helper's first line: "held" or "refused".
    std::string answer();
    // Ends the helper with SIGKILL and waits for it; true when it died of the signal.
    bool kill();
    // Lets the helper end by itself (its input closes) and waits; its exit status.
    int release();

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
};

// Runs work in a child process and gives the text it returns, or "timed out" when it has not
// finished within seconds (the child is killed then): for calls that hang when a fault comes
// back.
std::string runBounded(const std::function<std::string()>& work, int seconds = 10);

}  // namespace simtest
