#pragma once
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "VkCInventoryAddress.h"
#include "VkNInventoryManager.h"
#include "sim/images.h"

// The updates a target is carrying out, kept per board in the order they were started. A
// board works on one update at a time; the status queries follow the first one that has not
// yet been reported as ended.
namespace vksim {

struct UpdateRun {
    VkCInventoryAddress board;
    std::string boardLabel;  // "VK7101 S/N 4711" for messages
    uint32_t serial = 0;
    VkNInventoryManager::FirmwareType type = VkNInventoryManager::FwUnknown;
    uint64_t timestamp = 0;
    std::string fileName;  // the transferred file, for messages
    bool imageOk = false;
    ImageInfo image;
    std::string imageProblem;
    uint32_t runningAnswers = 0;  // "running" answers given so far
    bool ended = false;
    uint32_t finalStatus = VkNInventoryManager::UpdateFailed;
    std::string error;        // why it failed; entered once with the first final answer
    bool errorShown = false;  // the error went into a pool with a final answer
    bool delivered = false;   // its final status was answered without an error
};

struct LoggedError {
    uint32_t code = 0;
    std::string text;
    uint32_t node = 0;
};

struct BoardUpdates {
    std::deque<UpdateRun> runs;
    std::vector<LoggedError> errors;  // what updateErrors reports for the board
};

// Every access to the updates happens while holding this guard.
std::unique_lock<std::mutex> guardUpdates();
// The updates of a board of a target (created empty when there are none yet).
BoardUpdates& updatesOf(const std::string& folder, const std::string& boardKey);
// Drops the updates of a node and of every board below it.
void forgetUpdatesBelow(const std::string& folder, const std::string& nodeKey);
// Drops every update of a target (it rebooted). Takes the guard itself.
void forgetUpdates(const std::string& folder);

}  // namespace vksim
