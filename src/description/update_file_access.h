#pragma once
// The update files of a firmware folder: where they are, and the checksums their first bytes
// or their embedded inventories give. Paths are UTF-8.
#include <cstdint>
#include <optional>
#include <string>

#include "VkCErrorList.h"
#include "description/regular_file.h"
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

// Reads the header from the start of an open update file, in one read.
UpdateFileHeader readUpdateFileHeader(RegularFile& file);

// Whether an update file carries its own inventory: its bytes 1 to 3 are "ELF" (the first
// four bytes of the file are given, zero where the file is shorter), or its board type, HW_TYPE
// and firmware type are of the kinds that always do.
bool embedsInventory(const unsigned char (&firstBytes)[4], const UpdateFileRecord& record);

// The checksum of an update file that exists, at localPath, whose header has been read: the
// CHECKSUM_CRC32 of the FIRMWARE item of its embedded inventory (which is read from the file
// at localPath), the header's checksum word for the firmware types that carry one, else
// kUnknownChecksum.
uint32_t updateFileChecksum(VkCErrorListPool& errors, const std::string& localPath,
                            const UpdateFileHeader& header, const UpdateFileRecord& record);
