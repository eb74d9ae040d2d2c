#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VkCInventoryItem.h"
#include "VkPlatformApi.h"
#include "sim/faults.h"
#include "sim/json_file.h"

// One simulated target: <targets>/<name>/target.json plus <targets>/<name>/cfdrive/, and the
// run-time files the simulation keeps beside them.
namespace vksim {

// A boot loader image on the target's CN drive, taken up by its board at the next start.
struct BootLoaderFile {
    std::vector<std::string> file;                   // the folders below cfdrive/, the name
    std::vector<VkCInventoryAddress::Element> part;  // item IDs from the top of the inventory
};

struct Target {
    std::string folder;  // absolute path of the target's folder
    Json doc;            // target.json as read; saved back with the changes of a call
    std::string systemName;
    std::string ipText;
    uint32_t ipAddress = 0;  // host order, first number most significant
    std::vector<uint32_t> applications;
    uint32_t updatePolls = 3;
    uint64_t rebootCount = 0;
    std::vector<Fault> faults;
    std::vector<BootLoaderFile> bootLoaders;
};

std::string targetFileOf(const std::string& folder);     // target.json
std::string cfdriveOf(const std::string& folder);        // cfdrive/ ("/mnt/cn/cfdrive")
std::string stagingOf(const std::string& folder);        // staging/ for transferred files
std::string accessLockOf(const std::string& folder);     // access.lock (access restriction)
std::string inventoryLockOf(const std::string& folder);  // inventory.lock (update lock)
std::string stateLockOf(const std::string& folder);      // state.lock (changes of target.json)

// Reads and checks target.json of the target folder (a copy of what target_cache.h keeps).
// error names the file and the place.
VK_PLATFORM_API bool loadTarget(const std::string& folder, Target& target, std::string& error);
// Checks an already parsed document (used by loadTarget and by tests of the format).
VK_PLATFORM_API bool readTargetDocument(const Json& doc, const std::string& origin, Target& target,
                                        std::string& error);
// Reads every field of doc but doc itself into target and builds the inventory tree, which
// checks every item; null (and error) when something is wrong.
std::unique_ptr<VkCInventoryItem> readTargetFields(const Json& doc, const std::string& origin,
                                                   Target& target, std::string& error);
// Writes target.doc back to target.json atomically; the process's next calls see it at once.
VK_PLATFORM_API bool saveTarget(const Target& target, std::string& error);

}  // namespace vksim
