#pragma once
// Feeds text to standard input: what the code under test reads as the user's answers.
// Standard input reads from a temporary file until the next call.
#include <unistd.h>

#include <cstdio>
#include <string>

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
