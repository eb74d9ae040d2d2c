#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkCVersion.h"
#include "VkTCmdOptions.h"

// Reads the description file of the firmware folder into the module's file catalogue
// (fileCatalogue, maxUpdatePass) and sends host events 21 and 34. firmwareVersion
// receives the container's firmware version. 0 on success, -1 when the description cannot be
// read. A container made for another library version ends the process with status 1.
int32_t readFirmwareDescription(VkCErrorListPool& errors, VkTCmdOptions options,
                                VkCVersion& firmwareVersion);
