#pragma once
#include <cstddef>
#include <string>

#include "generated_target.h"

namespace update_bench {

// Makes, without the library, the platform calls that a full update of the generated target
// through the library makes: device search, application check, scan, file-transfer client,
// lock; per file a transfer, an update start, status queries until the update ends (two with
// "updatePolls": 1), an error query and the removal of the copy; unlock. What this costs is
// the simulation's share of an update.
bool replayPlatformCalls(const GeneratedTarget& target, std::string& error);

// The number of parts that report the new version, read by a fresh scan of the target.
bool countUpdatedParts(const GeneratedTarget& target, size_t& updated, std::string& error);

}  // namespace update_bench
