#include "event_fields.h"

#include "VkCInventoryItem.h"
#include "VkCString.h"
#include "VkCVersion.h"

namespace {

std::string textAt(const void* pointer) {
    const auto* text = static_cast<const VkCString*>(pointer);
    return text != nullptr ? text->str() : std::string();
}

std::string versionTextAt(const void* pointer) {
    const auto* version = static_cast<const VkCVersion*>(pointer);
    return version != nullptr ? version->getAsString().str() : std::string();
}

}  // namespace

CatalogueEntry catalogueEntryOf(const ParameterSet& event) {
    CatalogueEntry entry;
    entry.boardType = textAt(event.text1);
    entry.typeName = textAt(event.text2);
    entry.version = versionTextAt(event.ref1);
    entry.updatePass = event.updatePass;
    entry.isMissing = event.isMissing != 0;
    entry.maxUpdatePass = event.maxUpdatePass;
    entry.isSelected = event.isSelected != 0;
    entry.fwCompabilityId = event.fwCompabilityId;
    entry.isBusFpga = event.isBusFpga != 0;
    entry.isBootLoader = event.isBootLoader != 0;
    entry.fwType = event.fwType;
    return entry;
}

std::string messageTextOf(const ParameterSet& event) {
    return textAt(event.text1);
}

std::string itemAddressOf(const ParameterSet& event) {
    const auto* item = static_cast<const VkCInventoryItem*>(event.ref2);
    return item != nullptr ? item->getAddress().toString().str() : std::string();
}
