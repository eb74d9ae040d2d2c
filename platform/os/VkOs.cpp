#include "os/VkOs.h"

#include <cstdio>
#include <cstdlib>

namespace VkOs {

void exitProcess(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

void debugOutput(const char* text) {
    static const bool enabled = std::getenv("VK_DEBUG_OUTPUT") != nullptr;
    if (enabled && text != nullptr) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
}

}  // namespace VkOs
