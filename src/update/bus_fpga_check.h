#pragma once
#include <string>

#include "VkCErrorList.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// Capacity of the remote path buffer of the check, terminator included.
constexpr size_t kCheckPathCapacity = 512;

// For every selected board's matched bus-FPGA file that is not yet known to be installed,
// fetches the copy on the target's CN drive into the local fetch file and compares it byte
// for byte with the update file; an equal copy marks the match up to date. Fetch errors go
// to a separate error list, never to pool. Messages only with verbose output.
void checkBusFpgaFiles(VkCErrorListPool& pool, BoardTable& table, VkTDeviceHandle device,
                       const VkTCmdOptions& options);
