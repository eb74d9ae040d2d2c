#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "VkPlatformApi.h"

// JSON documents of the simulation (target.json, broker.json, embedded inventories), read
// with the place of a syntax error, and written so that a crash never leaves a torn file.
namespace vksim {

// Keeps the order of object members, so a saved file reads like the one written by hand.
using Json = nlohmann::ordered_json;

// Arrays and objects nested deeper than this are refused while the text is parsed, so a
// document nested a hundred thousand deep is never built. An inventory item with its "items"
// array takes two levels.
constexpr size_t kMaxJsonNesting = 256;

// JSON files larger than this are refused before they are read.
constexpr uint64_t kMaxJsonFileSize = 64ull << 20;

// What tells one state of a file from another without reading it: which file it is (device
// and inode) and its size, modification and status change times to the nanosecond. Saves go
// through a new file, so each has an inode of its own.
struct FileState {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    int64_t changedSeconds = 0;
    int64_t changedNanoseconds = 0;

    bool operator==(const FileState& other) const;
    bool operator!=(const FileState& other) const { return !(*this == other); }
};

// The state of the regular file at path (following symbolic links); none when there is no
// regular file there.
std::optional<FileState> regularFileStateOf(const std::string& path);

// Parses text; on failure error names origin, line and column: "<origin>: line 3, column 7:
// syntax error ...", also for nesting deeper than kMaxJsonNesting and numbers too large.
VK_PLATFORM_API bool parseJsonText(const std::string& text, const std::string& origin, Json& doc,
                                   std::string& error);
// Reads and parses a regular file; error names the file.
VK_PLATFORM_API bool readJsonFile(const std::string& path, Json& doc, std::string& error);

// Writes content to path through a temporary file "<path>.tmp.<pid>" in the same folder
// (created anew, never through a symbolic link): write, flush to disk, rename over the old
// file, flush the folder.
// writtenState, when given, receives the state of the new file (none when fstat fails).
VK_PLATFORM_API bool writeFileAtomically(const std::string& path, const std::string& content,
                                         std::string& error,
                                         std::optional<FileState>* writtenState = nullptr);

// Removes the temporary files of writeFileAtomically for path that processes left behind
// which no longer exist (a run killed while saving). Those of live processes stay.
void removeStaleTemporaryFiles(const std::string& path);

// True when path is a regular file that holds exactly the bytes of expected, compared block by
// block without a copy of the whole file; state then receives its state, or none when it
// changed while it was compared.
bool fileHoldsBytes(const std::string& path, const std::string& expected,
                    std::optional<FileState>& state);

// Reads a whole regular file into text: at most the size it had when it was opened. state,
// when given, receives the state of the file read, or none when it changed while it was read.
bool readTextFile(const std::string& path, std::string& text, std::string& error,
                  std::optional<FileState>* state = nullptr);

}  // namespace vksim
