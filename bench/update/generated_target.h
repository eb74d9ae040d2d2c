#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "VkCInventoryAddress.h"

// A generated simulated target and the firmware folder that updates all of it: board n
// (1, 2, ...) is the top-level item IOROUTER[n] with three firmware parts and a board type
// ("VKB0001", ...): a type of its own, or one of a given number of types in turn, as a lab
// system has many boards of a few types. The description holds one entry per part of each
// board type, so every part of every board is updated.
namespace update_bench {

constexpr const char* kSystemName = "bench";
constexpr const char* kDescriptionFile = "release.xml";
constexpr const char* kInstalledVersion = "1.0";
constexpr const char* kNewVersion = "2.0";
constexpr uint64_t kPayloadBytes = 64 * 1024;

// One firmware part of every board.
struct PartKind {
    uint32_t fwType;            // firmware type of the description entry and the update call
    const char* entryCategory;  // FIRMWARE or FPGAFIRMWARE: the kind of description entry
    const char* fileSuffix;     // image file name: <board type>_<suffix>.vkim
};
constexpr PartKind kParts[] = {
    {1, "FIRMWARE", "fw"},
    {3, "FPGAFIRMWARE", "fpga"},
    {11, "FPGAFIRMWARE", "iofpga"},
};
constexpr uint32_t kPartsPerBoard = sizeof kParts / sizeof kParts[0];

struct GeneratedTarget {
    std::string targetsFolder;   // what VK_SIM_TARGETS names
    std::string firmwareFolder;  // the description file and the images
    uint32_t boards = 0;
    uint32_t boardTypes = 0;  // 0: a board type of its own for every board

    // The files an update writes: every part of every board.
    size_t files() const { return size_t(boards) * kPartsPerBoard; }
    // The board types, numbered from 1, and the type of a board.
    uint32_t typeCount() const { return boardTypes == 0 ? boards : boardTypes; }
    uint32_t typeOf(uint32_t board) const {
        return boardTypes == 0 ? board : (board - 1) % boardTypes + 1;
    }
};

std::string boardTypeName(uint32_t type);
VkCInventoryAddress boardAddressOf(uint32_t board);
std::string imageFileOf(const GeneratedTarget& target, uint32_t board, const PartKind& part);

// Sets VK_SIM_TARGETS to the target's targets folder; the device search reads it each time.
void pointSimulationAt(const GeneratedTarget& target);

// Makes folder/targets/<system name>/target.json and folder/firmware with the description and
// one VKIM image of kPayloadBytes per part of each board type; boardTypes as in
// GeneratedTarget.
bool writeGeneratedTarget(const std::string& folder, uint32_t boards, GeneratedTarget& target,
                          std::string& error, uint32_t boardTypes = 0);

}  // namespace update_bench
