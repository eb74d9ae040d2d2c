#include "description/catalogue_events.h"

#include "reporting/host_events.h"

void sendCatalogueCount(uint32_t count) {
    sendEvent(EvCatalogueCount, count);
}

void sendCatalogueEntry(const UpdateFileRecord& record, uint32_t maxUpdatePass) {
    if (!hostCallbackRegistered()) {
        return;
    }
    const VkCString boardType(record.BoardType);
    const VkCString typeName(record.TypeName);
    const VkCVersion version(record.Version);
    ParameterSet event = makeEvent(EvCatalogueEntry);
    event.text1 = &boardType;
    event.text2 = &typeName;
    event.ref1 = &version;
    event.updatePass = record.UpdatePass;
    event.isMissing = record.IsMissing ? 1 : 0;
    event.maxUpdatePass = maxUpdatePass;
    event.isSelected = record.IsSelected ? 1 : 0;
    event.fwCompabilityId = record.FwCompabilityId;
    event.isBusFpga = record.IsBusFpga ? 1 : 0;
    event.isBootLoader = record.IsBootLoader ? 1 : 0;
    event.fwType = record.FwType;
    sendEvent(event);
}
