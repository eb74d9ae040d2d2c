#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// Steps of the driver's update path shared by the console and the firmware-manager sequence.

// Update mode: one remote file handle per catalogue entry, made anew for each run.
void createRemoteFileHandles(const VkTCmdOptions& options);

// The installed-file comparison: versions and checksums, then the bus-FPGA copies.
void compareWithInstalledFiles(VkCErrorListPool& pool, BoardTable& table, VkTDeviceHandle device,
                               const VkTCmdOptions& options);

// Warns about every board that runs without its user firmware or user FPGA firmware and
// that this run does not update.
void warnAboutBoardsWithoutUserFirmware(const BoardTable& table, const VkTCmdOptions& options);

// With verbose output: the selected boards and their matched files.
void traceDevicesToUpdate(const BoardTable& table, const VkTCmdOptions& options);
