#pragma once
#include <string>

#include "VkCErrorList.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "inventory/board_record.h"

// Root of the CN drive on the target, where bus-FPGA files live as plain files.
constexpr const char* kCnDriveRoot = "/mnt/cn/cfdrive";
// Capacity of the remote path buffer, terminator included.
constexpr size_t kRemotePathCapacity = 512;

// The CN drive folder and file name of a bus-FPGA file's target name (split at its last
// slash). False when "/mnt/cn/cfdrive/" and the name do not fit in 511 characters: a cut
// path would name a different file.
bool remoteLocation(const VkCString& targetFileName, std::string& folder, std::string& name);

// For every selected board's matched bus-FPGA file that is not yet known to be installed,
// fetches the copy on the target's CN drive into the local fetch file and compares it byte
// for byte with the update file; an equal copy marks the match up to date. Fetch errors go
// to a separate error list, never to pool. Messages only with verbose output.
void checkBusFpgaFiles(VkCErrorListPool& pool, BoardTable& table, VkTDeviceHandle device,
                       const VkTCmdOptions& options);
