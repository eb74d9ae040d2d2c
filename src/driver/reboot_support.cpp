#include "driver/reboot_support.h"

#include "VkTalveronUpdateLib.h"
#include "driver/run_handles.h"
#include "driver/start_up.h"
#include "reporting/console.h"
#include "reporting/error_list_report.h"
#include "reporting/host_events.h"

bool checkRebootSupport(VkCErrorListPool& pool, VkTCmdOptions options, uint32_t& reason) {
    reason = RebootSupported;
    options.mode = ShowBoards;
    options.descriptionOnly = false;
    VkCVersion firmwareVersion;
    RunHandles run(pool);
    const int32_t started =
        startRun(pool, options, run.device, run.root, run.table, firmwareVersion);
    if (started != 0) {
        reason = RebootUndetermined;
        reportMessage(L"ERROR: Cannot access inventory data of target device.\n");
        if (options.fwMgrMode) {
            sendEvent(EvRunFinished, static_cast<uint32_t>(started));
        }
        return false;
    }
    reason = reportRebootDecision(decideRebootSupport(run.table), run.table);
    run.releaseAll();
    reportPoolErrors(pool);
    if (options.fwMgrMode) {
        sendEvent(EvRunFinished, 0);
    }
    return reason == RebootSupported;
}
