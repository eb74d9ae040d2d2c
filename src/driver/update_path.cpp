#include "driver/update_path.h"

#include "driver/update_path_steps.h"
#include "interface/run_tables.h"
#include "inventory/compatibility_check.h"
#include "inventory/file_matching.h"
#include "os/VkOs.h"
#include "reporting/console.h"
#include "reporting/host_events.h"
#include "update/bus_fpga_check.h"
#include "update/plan_query.h"
#include "update/plan_report.h"
#include "update/update_sequence.h"

namespace {

void reportIncompatibleFirmware(const VkCVersion& firmwareVersion) {
    reportMessage(
        L"ERROR: Cannot update the target device. One or more boards\n       are not "
        L"compatible with firmware version %hs.\n",
        firmwareVersion.getAsString().c_str());
}

// The firmware manager's version report: the compatibility verdicts, then events 3 and 2.
int32_t reportVersionsToManager(BoardTable& table, const VkTCmdOptions& options,
                                const VkCVersion& firmwareVersion) {
    VkOs::debugOutput("... FWMGR PRINT VERSIONS\n");
    if (checkFirmwareCompatibility(table, options, firmwareVersion) < 0) {
        reportIncompatibleFirmware(firmwareVersion);
    }
    sendEvent(EvVersionReportChecked);
    sendEvent(EvVersionReportEnd);
    return 0;
}

// Matching for every board in table order, then the compatibility check; a refusal ends
// the process.
void matchAndCheckCompatibility(VkCErrorListPool& pool, BoardTable& table, VkTDeviceHandle device,
                                const VkTCmdOptions& options, const VkCVersion& firmwareVersion) {
    const size_t count = boardsInRun(table);
    const CatalogueIndex index;
    for (size_t i = 0; i < count; ++i) {
        findUpdateFiles(table[i], options, index);
    }
    if (checkFirmwareCompatibility(table, options, firmwareVersion) < 0) {
        reportIncompatibleFirmware(firmwareVersion);
        VkLnk_deleteDeviceHandle(pool, device);
        VkOs::exitProcess(1);
    }
}

}  // namespace

int32_t runManagerPath(VkCErrorListPool& pool, const VkTCmdOptions& options,
                       VkCInventoryRootHandle* root, VkTDeviceHandle device, BoardTable& table,
                       const VkCVersion& firmwareVersion) {
    createRemoteFileHandles(options);
    const size_t count = boardsInRun(table);
    const CatalogueIndex index;
    for (size_t i = 0; i < count; ++i) {
        sendEvent(EvBoardMatching, static_cast<uint32_t>(i));
        findUpdateFiles(table[i], options, index);
    }
    if (options.printVersions) {
        return reportVersionsToManager(table, options, firmwareVersion);
    }
    checkBusFpgaFiles(pool, table, device, options);
    return runUpdateSequence(pool, root, options, table, device);
}

int32_t runConsolePath(VkCErrorListPool& pool, const VkTCmdOptions& options,
                       VkCInventoryRootHandle* root, VkTDeviceHandle device, BoardTable& table,
                       const VkCVersion& firmwareVersion) {
    createRemoteFileHandles(options);
    if (options.mode == Update || options.mode == ShowPlan) {
        matchAndCheckCompatibility(pool, table, device, options, firmwareVersion);
    }
    if (!options.skipInstalledCheck) {
        compareWithInstalledFiles(pool, table, device, options);
    }
    warnAboutBoardsWithoutUserFirmware(table, options);
    traceDevicesToUpdate(table, options);
    if (options.mode != ShowPlan) {
        // What this update is about to do, for a host that checks the result afterwards.
        rememberUpdatePlan(describeUpdatePlan(table, options));
        trace(L"update...\n");
        return runUpdateSequence(pool, root, options, table, device);
    }
    printUpdatePlan(options, table);
    rememberUpdatePlan(describeUpdatePlan(table, options));
    return 0;
}
