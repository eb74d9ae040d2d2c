#pragma once
#include <cstdint>
#include <string>

#include "VkCInventoryAddress.h"
#include "VkNInventoryManager.h"
#include "sim/images.h"
#include "sim/json_file.h"

// Writes a finished update into the inventory of target.json: the part that the firmware
// type names gets the image's VERSION and CHECKSUM_CRC32, the TIMESTAMP of the update and a
// line appended to its VERSION_HISTORY. Parts the board does not have yet are added.
namespace vksim {

// The part of a board that a firmware type updates, as text for messages ("FPGAFIRMWARE",
// "IOFPGA/FPGAFIRMWARE[2]", "UPDATE_INFO entry 14"); empty for unknown types.
std::string partNameOf(VkNInventoryManager::FirmwareType type);

// "2024-05-01 10:00:00" for seconds since 1970 (taken as the target's wall-clock time).
std::string timestampText(uint64_t seconds);

// Changes doc (a target.json document). board is the board's full address as the scan gives
// it (ROOT/...). False with error when the board is not in the inventory or the type has no
// part.
bool applyUpdateToDocument(Json& doc, const VkCInventoryAddress& board,
                           VkNInventoryManager::FirmwareType type, const ImageInfo& image,
                           uint64_t timestamp, std::string& error);

}  // namespace vksim
