#pragma once
#include <string>

#include <nlohmann/json.hpp>

#include "VkPlatformApi.h"

// JSON documents of the simulation (target.json, broker.json, embedded inventories), read
// with the place of a syntax error, and written so that a crash never leaves a torn file.
namespace vksim {

// Keeps the order of object members, so a saved file reads like the one written by hand.
using Json = nlohmann::ordered_json;

// Parses text; on failure error names origin, line and column: "<origin>: line 3, column 7:
// syntax error ...".
VK_PLATFORM_API bool parseJsonText(const std::string& text, const std::string& origin, Json& doc,
                                   std::string& error);
// Reads and parses a file; error names the file.
VK_PLATFORM_API bool readJsonFile(const std::string& path, Json& doc, std::string& error);

// Writes content to path through a temporary file in the same folder: write, flush to disk,
// rename over the old file, flush the folder.
VK_PLATFORM_API bool writeFileAtomically(const std::string& path, const std::string& content,
                                         std::string& error);

// Reads a whole file into text.
bool readTextFile(const std::string& path, std::string& text, std::string& error);

}  // namespace vksim
