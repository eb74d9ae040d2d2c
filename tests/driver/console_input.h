#pragma once
#include <unistd.h>

#include <cstdio>
#include <string>

// Feeds text to standard input: what the code under test reads as the user's answers.
// Standard input reads from a temporary file until the next call.
inline void feedStandardInput(const std::string& text) {
    char path[] = "/tmp/vk-driver-stdin-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        return;
    }
    [[maybe_unused]] const ssize_t written = write(fd, text.data(), text.size());
    close(fd);
    if (std::freopen(path, "r", stdin) == nullptr) {
        std::perror("freopen");
    }
    unlink(path);
}

// Runs body with standard output sent to standard error, so that a death test can match what
// the code printed before the process ended.
template <typename Body>
void withStdoutOnStderr(Body body) {
    std::fflush(stdout);
    dup2(2, 1);
    body();
}

// The text as a regular expression that matches exactly that text.
inline std::string literally(const std::string& text) {
    std::string pattern;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}
