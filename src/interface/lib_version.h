#pragma once
#include <cstdint>

#include "VkCVersion.h"

// The library's file version as two 32-bit halves: major<<16|minor, patch<<16|build.
struct FileVersion {
    uint32_t mostSignificant = 0;
    uint32_t leastSignificant = 0;
};

// Builds the version the library reports: major, minor and patch, each cut to 8 bits; the
// build number is not used.
VkCVersion versionFromFileVersion(const FileVersion& fileVersion);
// Reads the version note of the ELF file at path; false when it has none or is unreadable.
bool readFileVersion(const char* path, FileVersion& out);
// Path of the file this code was loaded from; empty when it cannot be found.
const char* ownModulePath();
