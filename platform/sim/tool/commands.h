#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The commands of the vksim tool. Each returns the process exit status: 0 done, 1 failed.
namespace vksim::tool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 64;

int makeImage(const std::string& version, uint64_t size, const std::string& output);
int makeElf(const std::string& version, std::optional<uint32_t> firmwareType, uint64_t size,
            const std::string& output);
int showTarget(const std::string& folder);

}  // namespace vksim::tool
