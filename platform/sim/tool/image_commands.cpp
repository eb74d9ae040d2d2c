#include <cstdio>

#include "commands.h"
#include "sim/images.h"

namespace vksim::tool {

int makeImage(const std::string& version, uint64_t size, const std::string& output) {
    std::string error;
    if (!writeVkimImage(output, version, size, error)) {
        std::fprintf(stderr, "vksim image: %s\n", error.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int makeElf(const std::string& version, std::optional<uint32_t> firmwareType, uint64_t size,
            const std::string& output) {
    std::string error;
    if (!writeElfImage(output, version, firmwareType, size, error)) {
        std::fprintf(stderr, "vksim elf: %s\n", error.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace vksim::tool
