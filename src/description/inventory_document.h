#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "VkCInventoryItem.h"

// Reads an inventory XML document into an inventory tree. The result is the root item of the
// complete tree, or null when the document cannot be read or violates the format; every
// problem has been reported on the standard streams by then.
//
// The path names a local file (never a URL). It is read only when it is a regular file (see
// RegularFile), and external entities and DTDs only from regular files inside entityFolder
// (see ExternalEntityGuard); without entityFolder, inside the folder of the file itself.
// Entities may expand the document's text (and attribute values) to at most 16 times its size
// plus 1 Mi characters, and the parser may hold a few times that in memory.
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path);
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path,
                                                         const std::wstring& entityFolder);
// The same, calling subItemRead with each direct sub item of the root as soon as it has been
// read to its end tag (again when a later sibling with the same ID continues it). It runs on
// the thread that builds the tree, which may be a second thread, while the document is still
// being read and may yet prove invalid.
using SubItemReadCallback = std::function<void(const VkCInventoryItem&)>;
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path,
                                                         const std::wstring& entityFolder,
                                                         SubItemReadCallback subItemRead);
// The same for a document in memory, which may not refer to external entities or DTDs;
// bufferId stands for the file name in messages.
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const void* data, size_t size,
                                                         const char* bufferId);
