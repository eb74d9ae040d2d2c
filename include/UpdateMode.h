#pragma once
#include <cstdint>

// What VkSmartUpdateTool does; the value of VkTCmdOptions::mode.
enum UpdateMode : uint32_t {
    Update = 0,
    ShowBoards = 1,
    ShowVersionHistory = 2,
    Reboot = 4,
    ShowPlan = 5,
};
