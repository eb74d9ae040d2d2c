#pragma once
#include <cstddef>
#include <cstdint>

#include "VkCErrorList.h"
#include "VkLnk.h"
#include "VkTCmdOptions.h"

// Size of the buffer that receives a resolved address text.
constexpr size_t kAddressTextSize = 256;

// Turns a host name (text starting with a letter) or an IPv4 address text into dotted IPv4
// text in buffer (capacity characters). True when buffer holds a non-empty address.
bool resolveTargetAddress(VkCErrorListPool& pool, const wchar_t* text, char* buffer,
                          size_t capacity);

// Searches the one device the options name (by IP address, or by system name when the
// address is empty) and opens a handle on it. The host interface library's result code
// (0 = no error), or -1 when the address is no IPv4 address. 0 with a null device means that
// not exactly one device was found.
int32_t openDeviceHandle(VkCErrorListPool& pool, VkTCmdOptions options, VkTDeviceHandle& device);
