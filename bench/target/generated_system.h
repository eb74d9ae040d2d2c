#pragma once
#include <cstdint>
#include <string>

// A generated simulated target and a firmware container for it: board n (1, 2, ...) is the
// top-level item IOROUTER[n] with the parts of a board of bench/update at version 1.0 and
// one of kBoardTypes board types ("VKB0001", ...) in turn, as a lab system has many boards
// of a few types. The container is the same for every size of target: one user firmware
// image per board type at version 2.0, so the plan has one row per board.
namespace target_bench {

constexpr const char* kSystemName = "bench";
constexpr const char* kBoardTypePrefix = "VKB";
constexpr uint32_t kBoardTypes = 10;

struct GeneratedSystem {
    std::string targetsFolder;   // what vkupdate --targets names
    std::string firmwareFolder;  // the description file and the images
    uint32_t boards = 0;
};

// Makes folder/targets/<system name>/target.json and folder/firmware. error names the path.
bool writeGeneratedSystem(const std::string& folder, uint32_t boards, GeneratedSystem& system,
                          std::string& error);

// Removes a folder and everything below it; symbolic links are removed, never followed.
void removeTree(const std::string& path);

}  // namespace target_bench
