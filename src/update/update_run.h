#pragma once
#include <cstdint>
#include <vector>

#include "VkCErrorList.h"
#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// What the stages of one update run share. runUpdateSequence owns it; every stage receives
// it with the number of the current pass.
struct UpdateRun {
    UpdateRun(VkCErrorListPool& callerPool, const VkTCmdOptions& runOptions, BoardTable& boards)
        : pool(callerPool), options(runOptions), table(boards) {}

    VkCErrorListPool& pool;  // the caller's pool
    VkCInventoryRootHandle* root = nullptr;
    VkTDeviceHandle device = nullptr;
    VkTLockHandle lockHandle = nullptr;
    const VkTCmdOptions& options;
    BoardTable& table;
    // Per catalogue entry: the file was transferred to the target in the current pass.
    std::vector<uint8_t> transferred;
    uint32_t startedCount = 0;   // updates started in the current pass
    uint32_t finishedCount = 0;  // of those, the ones that ended
    // Seconds of polling after which an update that shows no progress fails; 0 = never.
    uint32_t stallLimitSeconds = 0;
};

// Pause after each update start, between status sweeps, after a call that wrote bus-FPGA
// files, and after boot loaders were written.
constexpr uint64_t kStartPauseMicroseconds = 500000;
constexpr uint64_t kSweepPauseMicroseconds = 200000;
constexpr uint64_t kBusFpgaPauseMicroseconds = 3000000;
constexpr uint64_t kBootLoaderPauseMicroseconds = 1000000;
