#include "stdout_diversion.h"

#include <unistd.h>

StdoutDiversion::StdoutDiversion() {
    std::fflush(stdout);
    const int realStdout = dup(STDOUT_FILENO);
    if (realStdout < 0) {
        return;
    }
    json_ = fdopen(realStdout, "w");
    if (json_ == nullptr) {
        close(realStdout);
        return;
    }
    if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::fclose(json_);
        json_ = nullptr;
    }
}

StdoutDiversion::~StdoutDiversion() {
    if (json_ == nullptr) {
        return;
    }
    std::fflush(stdout);
    std::fflush(json_);
    dup2(fileno(json_), STDOUT_FILENO);
    std::fclose(json_);
}
