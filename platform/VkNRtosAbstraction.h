#pragma once
#include <cstddef>
#include <cstdint>

#include "VkCErrorList.h"
#include "VkPlatformApi.h"

// The error handling library's small operating-system abstraction.
namespace VkNRtosAbstraction {

using ThreadHandle = void*;
using ThreadBody = unsigned (*)(void* context);

// Starts the socket service; failure shows as an error in pool.
VK_PLATFORM_API void initSocket(VkCErrorListPool& pool);
// Parses a dotted quad of four decimal numbers 0 to 255 ("192.168.0.10") into a host-order
// value (first number most significant); anything else enters an error and answers 0.
VK_PLATFORM_API uint32_t stringToIpV4(VkCErrorListPool& pool, const char* text);
// Writes the dotted text of address into buffer (at most size - 1 characters).
VK_PLATFORM_API void ipToString(uint32_t address, char* buffer, size_t size);
// Waits for the given time multiplied by the time scale of VK_SIM_TIME_SCALE (default 1;
// 0 means no waiting at all).
VK_PLATFORM_API void usleep(uint64_t microseconds);
// The time the calling thread has asked usleep to wait so far, before scaling: what its
// waits add up to on a real target, also when the time scale makes them instant.
VK_PLATFORM_API uint64_t requestedSleepMicroseconds();
// Starts body(context) on a new thread. The flag, priority and stack size are hints for a
// real-time system; here they are accepted and not used. False (and an error in pool) when it
// fails.
VK_PLATFORM_API bool createThread(VkCErrorListPool& pool, ThreadHandle& handle, uint32_t flags,
                                  uint32_t priority, const char* name, ThreadBody body,
                                  void* context, uint32_t stackSize);
// Waits for the thread and releases its handle; a timeout of -1 waits without limit.
VK_PLATFORM_API bool joinThread(ThreadHandle handle, unsigned* result, int32_t timeoutMs);

}  // namespace VkNRtosAbstraction
