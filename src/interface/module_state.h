#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "ParameterSet.h"
#include "VkNInventoryManager.h"
#include "interface/run_records.h"

// The state the library's stages share, one instance per loaded library.
struct ModuleState {
    VkTHostCallback hostCallback = nullptr;
    bool outputToHost = false;   // messages go to the host; only ever switched on
    bool verboseOutput = false;  // step tracing; only ever switched on
    std::vector<UpdateFileRecord> fileCatalogue;
    bool catalogueRead = false;  // this run read a description (its catalogue may be empty)
    uint32_t maxUpdatePass = 0;
    std::vector<VkNInventoryManager::VkSRemoteFileHandle> remoteFileHandles;
    uint32_t transferStop = 0;  // set by the transfer on one error code; cleared per update run
    // Progress display, shared between the update stage and the progress thread.
    std::atomic<bool> progressRunning{false};
    std::atomic<uint32_t> progressPercent{0};
    std::atomic<uint32_t> spinnerIndex{0};
    std::wstring tempFileName;  // local file for fetched installed files; made once
    static constexpr size_t kMessageBufferSize = 2048;
    wchar_t messageBuffer[kMessageBufferSize] = {};
};

// The library's one instance.
ModuleState& moduleState();
