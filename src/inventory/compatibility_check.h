#pragma once
#include <cstdint>

#include "VkCVersion.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// Reason codes of a compatibility decision, sent to the host with event 9.
enum CompatibilityReason : uint32_t {
    ReasonUnsupportedBoard = 0,              // no matching file, strict class: run fails
    ReasonUnsupportedBoardIgnored = 1,       // no matching file, other class: board ignored
    ReasonIonWithoutUpdateInfo = 2,          // ION without IP address, no UPDATE_INFO: ignored
    ReasonFbModuleWithoutUpdateInfo = 3,     // FBMODULE, no UPDATE_INFO: ignored
    ReasonUnsupportedHardware = 4,           // class 0x20001, HW type 1, SW compatibility below 9
    ReasonNewerFirmwareRequired = 5,         // file too old, strict class: run fails
    ReasonNewerFirmwareRequiredIgnored = 6,  // file too old, other class: board ignored
    ReasonPrototypeMainboard = 7,            // mainboard D2778 and a file not for QNX
    ReasonMainboardWithoutLinux64 = 8,       // mainboard 96M5181 and a Linux64 file
    ReasonOlderFirmwareRequired = 9,         // VK4050 and a file with FW_COMPATIBILITY_ID 7 or more
};

// Decides board by board whether the matched files may be installed on the selected boards:
// a board is fine, ignored with a warning (its matchCount becomes 0), or makes the run fail.
// Every decision is reported and sent as event 9. Returns 0 when the run may go on, -1 when
// an error was reported. firmwareVersion is the container's version, used in the messages.
int32_t checkFirmwareCompatibility(BoardTable& table, const VkTCmdOptions& options,
                                   const VkCVersion& firmwareVersion);
