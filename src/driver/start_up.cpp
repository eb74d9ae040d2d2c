#include "driver/start_up.h"

#include <string>

#include "VkNRtosAbstraction.h"
#include "description/firmware_catalogue.h"
#include "driver/application_guard.h"
#include "driver/device_access.h"
#include "interface/module_state.h"
#include "inventory/inventory_scan.h"
#include "os/VkOs.h"
#include "reporting/console.h"
#include "reporting/error_list_report.h"
#include "reporting/format.h"
#include "update/plan_query.h"
#include "utf8_conversion.h"

namespace {

// Longest address text taken from the options.
constexpr size_t kMaxAddressCharacters = 4096;

void resetModuleState(const VkTCmdOptions& options) {
    ModuleState& state = moduleState();
    state.fileCatalogue.clear();
    state.catalogueRead = false;
    state.maxUpdatePass = 0;
    state.remoteFileHandles.clear();
    forgetUpdatePlan();  // a host must not take an earlier run's plan for this run's
    if (options.verbose) {
        state.verboseOutput = true;
    }
    if (options.fwMgrMode) {
        state.outputToHost = true;
        VkOs::debugOutput("FWMGR MODE\n");
    }
}

bool needsDescription(uint32_t mode) {
    return mode == Update || mode == ShowPlan;
}

void readDescriptionOrExit(VkCErrorListPool& pool, const VkTCmdOptions& options,
                           VkCVersion& firmwareVersion) {
    trace(L"Reading description file ...\n");
    if (readFirmwareDescription(pool, options, firmwareVersion) < 0) {
        reportMessage(L"ERROR: Failed to read firmware container file.\n");
        VkOs::exitProcess(1);
    }
    trace(L"  OK!\n");
}

// Replaces the options' address (host name or address text) by its dotted IPv4 text.
void resolveAddressOrExit(VkCErrorListPool& pool, VkTCmdOptions& options) {
    std::wstring text = utf8ToWide(options.ipAddress.str());
    if (text.size() > kMaxAddressCharacters) {
        text.resize(kMaxAddressCharacters);
    }
    char resolved[kAddressTextSize] = {};
    if (!resolveTargetAddress(pool, text.c_str(), resolved, sizeof resolved)) {
        reportMessage(L"\nERROR: Invalid IP address or host name (\"%hs\")\n",
                      options.ipAddress.c_str());
        VkOs::exitProcess(1);
    }
    options.ipAddress = resolved;
}

void openDeviceOrExit(VkCErrorListPool& pool, const VkTCmdOptions& options,
                      VkTDeviceHandle& device) {
    trace(L"getDeviceHandle...\n");
    const int32_t result = openDeviceHandle(pool, options, device);
    trace(L"  OK (%p)\n", device);
    if (result == VkLnk_ERR_SERVICE_UNREACHABLE) {
        reportMessage(
            L"\nERROR: Unable to communicate with the Velkor TargetBrokerService!\n"
            L"       Maybe the Velkor Setup was not properly installed or the service\n"
            L"       has crashed.\n");
        VkOs::exitProcess(1);
    }
    if (result == VkLnk_ERR_SERVICE_OUTDATED) {
        reportMessage(
            L"\nERROR: The installed Velkor TargetBrokerService is outdated and unsupported!\n"
            L"       The installed service is older than the Velkor release of this update\n"
            L"       utility. The service must be updated to the current release before\n"
            L"       using this version of the firmware update utility.\n");
        VkOs::exitProcess(1);
    }
    if (device == nullptr) {
        if (options.ipAddress.isEmpty()) {
            reportMessage(L"ERROR: Device with system name \"%hs\" not found (error code: %i)!\n",
                          options.systemName.c_str(), result);
        } else {
            reportMessage(L"ERROR: Device with IP %hs not found (error code: %i)!\n",
                          options.ipAddress.c_str(), result);
        }
        reportErrorList(pool);
        VkOs::exitProcess(1);
    }
}

void guardApplicationsOrExit(VkCErrorListPool& pool, const VkTCmdOptions& options,
                             VkTDeviceHandle& device) {
    trace(L"checkRunningAppl...\n");
    if (checkRunningApplications(pool, options, device) < 0) {
        deleteDeviceHandle(pool, device);
        VkOs::exitProcess(1);
    }
    trace(L"  OK\n");
}

// Reads the target's inventory into the board table. 0, or the failure result of the run.
int32_t scanTarget(VkCErrorListPool& pool, const VkTCmdOptions& options, VkTDeviceHandle& device,
                   VkCInventoryRootHandle*& root, BoardTable& table) {
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    trace(L"InventoryManager.createRootHandle...\n");
    manager->createRootHandleByDeviceHandleList(pool, &device, 1, root);
    trace(L"  OK!\n");
    trace(L"InventoryManager.Scan...\n");
    VkCInventoryItem* tree = nullptr;
    manager->scan(pool, root, tree);
    if (tree != nullptr) {
        trace(L"  OK!\n");
        trace(L"getDeviceList...\n");
        ModuleState& state = moduleState();
        scanInventory(pool, tree, static_cast<uint32_t>(state.fileCatalogue.size()), table, true);
        manager->deleteInventoryTree(tree);
        trace(L"  OK\n");
        return 0;
    }
    reportMessage(
        L"ERROR: Cannot read target device information.\n\tPlease power-cycle the system and "
        L"retry.\n\tIf the problem persists, please contact Velkor support.\n");
    reportPoolErrors(pool);
    deleteRootHandle(pool, root);
    deleteDeviceHandle(pool, device);
    return options.fwMgrMode ? 2 : 1;
}

}  // namespace

void deleteDeviceHandle(VkCErrorListPool& pool, VkTDeviceHandle& device) {
    if (device != nullptr) {
        VkLnk_deleteDeviceHandle(pool, device);
        device = nullptr;
    }
}

void deleteRootHandle(VkCErrorListPool& pool, VkCInventoryRootHandle*& root) {
    if (root != nullptr) {
        VkCInventoryManager::getInstance()->deleteRootHandle(pool, root);
        root = nullptr;
    }
}

int32_t startRun(VkCErrorListPool& pool, VkTCmdOptions& options, VkTDeviceHandle& device,
                 VkCInventoryRootHandle*& root, BoardTable& table, VkCVersion& firmwareVersion) {
    device = nullptr;
    root = nullptr;
    table.clear();
    resetModuleState(options);
    const uint32_t errorsBefore = pool.getErrorCount();
    VkNRtosAbstraction::initSocket(pool);
    if (pool.getErrorCount() != errorsBefore) {
        reportMessage(L"ERROR: Unable to initialize Windows socket service.\n");
        return 1;
    }
    if (needsDescription(options.mode)) {
        readDescriptionOrExit(pool, options, firmwareVersion);
    }
    if (options.fwMgrMode && options.descriptionOnly) {
        return 0;
    }
    if (!options.ipAddress.isEmpty()) {
        resolveAddressOrExit(pool, options);
    }
    openDeviceOrExit(pool, options, device);
    if (options.mode == Reboot) {
        return 0;
    }
    if (options.mode == Update && !moduleState().outputToHost) {
        guardApplicationsOrExit(pool, options, device);
    }
    return scanTarget(pool, options, device, root, table);
}
