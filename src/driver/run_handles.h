#pragma once
#include "VkCErrorList.h"
#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "interface/run_records.h"

// What start-up hands to the export that started a run: the device handle, the inventory
// root handle and the board table. The export releases them in its clean-up, before it
// reports the errors left in the pool; whatever is still held when the export returns is
// released then.
struct RunHandles {
    explicit RunHandles(VkCErrorListPool& runPool) : pool(runPool) {}
    ~RunHandles() { releaseAll(); }
    RunHandles(const RunHandles&) = delete;
    RunHandles& operator=(const RunHandles&) = delete;

    // The board table, then the root handle, then the device handle.
    void releaseAll();

    VkCErrorListPool& pool;
    VkTDeviceHandle device = nullptr;
    VkCInventoryRootHandle* root = nullptr;
    BoardTable table;
};
