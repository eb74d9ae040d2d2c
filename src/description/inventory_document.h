#pragma once
#include <cstddef>
#include <memory>
#include <string>

#include "VkCInventoryItem.h"

// Reads an inventory XML document into an inventory tree. The result is the root item of the
// complete tree, or null when the document cannot be read or violates the format; every
// problem has been reported on the standard streams by then. The path names a local file
// (never a URL).
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path);
// The same for a document in memory; bufferId stands for the file name in messages.
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const void* data, size_t size,
                                                         const char* bufferId);
