#pragma once
#include <cstdint>
#include <string>

#include "UpdateMode.h"
#include "VkCString.h"

// The host's options record, passed by value to the library. Field order and types are part
// of the interface: hosts are built against this declaration.
struct VkTCmdOptions {
    std::wstring firmwareFolder;      // folder of the description file and the update files
    std::wstring descriptionFile;     // description file name inside firmwareFolder
    VkCString ipAddress;              // IPv4 text or host name; empty: address by systemName
    VkCString systemName;             // target system name
    VkCString boardType;              // board filter: board type name; empty = every type
    VkCString serialNumbers;          // board filter: serial numbers, comma/blank separated
    uint32_t slot = 0;                // board filter: slot number; 0 = any slot
    bool updateFirmware = false;      // "FIRMWARE" entries take part
    bool updateFpgaFirmware = false;  // "FPGAFIRMWARE" entries take part
    bool updateBusFpga = false;       // "BUSFPGA" entries take part
    bool skipInstalledCheck = false;  // no comparison with the installed files
    bool reserved1 = false;
    bool silent = false;           // no progress display, no questions
    bool assumeYes = false;        // no questions; loaded applications are unloaded
    bool verbose = false;          // step tracing
    bool factoryMode = false;      // factory mode of the file matching
    uint32_t mode = Update;        // UpdateMode
    bool descriptionOnly = false;  // firmware-manager mode: stop after the description
    bool reserved2 = false;
    bool fwMgrMode = false;      // firmware-manager mode: messages and events to the host
    bool printVersions = false;  // firmware-manager mode: version report instead of update
};
