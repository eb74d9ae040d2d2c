#pragma once
#include <cstdint>

#include "VkCErrorList.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"

// Takes an exclusive access restriction on the target and makes sure no real-time
// application runs there, unloading the loaded ones (after asking, unless the options say
// not to ask). 0: the update may go on; -1: it must not.
int32_t checkRunningApplications(VkCErrorListPool& pool, VkTCmdOptions options,
                                 VkTDeviceHandle device);

// Reads one answer line from standard input: whether it starts with a y or Y. The end of
// input counts as no.
bool readYesAnswer();
