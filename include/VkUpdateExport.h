#pragma once
// Marks the library's exported functions; everything else is hidden.
#if defined(_WIN32)
#if defined(VK_UPDATE_BUILDING)
#define VK_UPDATE_API __declspec(dllexport)
#else
#define VK_UPDATE_API __declspec(dllimport)
#endif
#else
#define VK_UPDATE_API __attribute__((visibility("default")))
#endif
