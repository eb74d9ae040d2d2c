#pragma once
#include <cstdint>

#include "interface/run_records.h"

// Reason codes of the reboot support check.
enum RebootReason : uint32_t {
    RebootSupported = 0,
    RebootNotSupportedByFirmware = 1,
    RebootNotSupportedByBoard = 2,
    RebootUndetermined = 3,
};

// What the boards that carry the firmware mode say about an automatic reboot.
struct RebootDecision {
    uint32_t reason = RebootSupported;
    // Index of the board that decided the reason; -1 when no board decided.
    int32_t decidingBoard = -1;
    // Whether the boards needed to tell were found at all.
    bool relevantBoardsPresent = false;
};

// Walks the board table in order and decides, from the system classes, the active firmware
// and FPGA images, their versions and the CPLD version, whether the target can be rebooted.
RebootDecision decideRebootSupport(const BoardTable& table);

// Reports the decision's message (none when supported) and gives the final reason code:
// 3 when the relevant boards are missing.
uint32_t reportRebootDecision(const RebootDecision& decision, const BoardTable& table);
