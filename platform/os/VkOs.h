#pragma once
#include "VkPlatformApi.h"

// Operating-system services of the platform that are not part of the maker's libraries.
namespace VkOs {

// Flushes the standard streams and ends the process with the given status. Every path of
// the library that gives up on an unrecoverable condition ends here.
[[noreturn]] VK_PLATFORM_API void exitProcess(int status);

// The debugger output channel. On this platform the line goes to standard error, and only
// when the environment variable VK_DEBUG_OUTPUT is set.
VK_PLATFORM_API void debugOutput(const char* text);

}  // namespace VkOs
