#pragma once
// Visibility of the platform library's interface.
#if defined(_WIN32)
#if defined(VK_PLATFORM_BUILDING)
#define VK_PLATFORM_API __declspec(dllexport)
#else
#define VK_PLATFORM_API __declspec(dllimport)
#endif
#else
#define VK_PLATFORM_API __attribute__((visibility("default")))
#endif
