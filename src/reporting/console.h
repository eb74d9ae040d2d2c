#pragma once
#include <cstdint>

#include "VkCString.h"

// The roads by which text leaves the library.

// Formats (wide format) and writes to standard output. Does not flush.
void consolePrint(const wchar_t* format, ...);
// Formats (narrow format) and writes to standard output; returns the characters written.
int consolePrintNarrow(const char* format, ...);
void consoleFlush();
// Sends message to the host as event 35; the callback's answer, 0 without a callback.
uint32_t sendHostMessage(VkCString message);
// A user-visible message: to standard output and flushed, or, when output goes to the host,
// formatted into the module's message buffer and sent as event 35.
void reportMessage(const wchar_t* format, ...);
// A step trace: written and flushed only when verbose output is on, always to the console.
void trace(const wchar_t* format, ...);
// Formats into a caller-owned buffer of capacity characters and sends the result to the
// host, or prints it: reportMessage for threads that must not share the module's buffer.
void reportMessageWithBuffer(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);
