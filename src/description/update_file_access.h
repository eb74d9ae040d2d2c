#pragma once
// The update files of a firmware folder: where they are, and the checksums their first bytes
// or their embedded inventories give. Paths are UTF-8.
#include <cstdint>
#include <optional>
#include <string>

#include "VkCErrorList.h"
#include "interface/run_records.h"

// The path of the description file: firmwareFolder "/" descriptionFile.
std::wstring descriptionFilePath(const std::wstring& firmwareFolder,
                                 const std::wstring& descriptionFile);

// The local path of an update file: firmwareFolder "/" fileName, where "\" in fileName (the
// separator of the system the descriptions are made on) counts as "/". A fileName that is
// absolute (leading separator or drive letter) or has a ".." component could reach outside the
// firmware folder: it has no path, and such a file is never read.
std::optional<std::string> updateFilePath(const std::wstring& firmwareFolder,
                                          const std::wstring& fileName);

// The first bytes of an update file that its checksum rules look at, zero where the file is
// shorter.
struct UpdateFileHeader {
    unsigned char firstBytes[4] = {};
    uint32_t headerChecksum = 0;  // the big-endian word at bytes 60 to 63
};

// What the one look at an update file found: every later step works from it, so that each
// file is opened and read once. A look is small, since there is one per catalogue entry.
struct UpdateFileLook {
    UpdateFileHeader header;
    uint64_t size = 0;
    bool readable = false;
    std::string refusal;  // why a folder, pipe or device in the file's place is refused
};

// Opens the update file fileName of firmwareFolder and reads its size and header, in one open,
// fstat and read; a folder, pipe or device in its place counts as unreadable, as does a
// fileName without a path. Prints nothing, so that files can be looked at on any thread.
UpdateFileLook lookAtUpdateFile(const std::wstring& firmwareFolder, const std::wstring& fileName);

// Whether an update file carries its own inventory: its bytes 1 to 3 are "ELF" (the first
// four bytes of the file are given, zero where the file is shorter), or its board type, HW_TYPE
// and firmware type are of the kinds that always do.
bool embedsInventory(const unsigned char (&firstBytes)[4], const UpdateFileRecord& record);

// The checksum of the update file of record, which exists in firmwareFolder and whose header
// has been read: the CHECKSUM_CRC32 of the FIRMWARE item of its embedded inventory (which is
// read from the file), the header's checksum word for the firmware types that carry one, else
// kUnknownChecksum.
uint32_t updateFileChecksum(VkCErrorListPool& errors, const std::wstring& firmwareFolder,
                            const UpdateFileHeader& header, const UpdateFileRecord& record);
