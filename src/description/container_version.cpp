#include "description/container_version.h"

#include "VkNInventoryIDs.h"
#include "VkTalveronUpdateLib.h"
#include "os/VkOs.h"
#include "reporting/console.h"

void requireContainerVersion(VkCErrorListPool& errors, const VkCInventoryItem& root) {
    const VkCInventoryAddress versionAddress = VkNInventoryIDs::INFO / VkNInventoryIDs::VERSION;
    if (root.getParameter(versionAddress) != nullptr) {
        VkCVersion containerVersion;
        root.getValue(errors, versionAddress, containerVersion);
        if (!(containerVersion != GetLibVersion())) {
            return;
        }
    }
    reportMessage(
        L"ERROR: This firmware cannot be processed by this version of the update tool.\n"
        L"       Please do not mix firmware and tools from different Velkor releases.\n"
        L"       Firmware and required update tools must be consistent.\n");
    VkOs::exitProcess(1);
}
