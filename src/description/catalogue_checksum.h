#pragma once
#include <cstdint>
#include <string>

#include "VkCErrorList.h"
#include "description/update_file_record.h"

// Whether an update file carries its own inventory: its bytes 1 to 3 are "ELF" (the first
// four bytes of the file are given, zero where the file is shorter), or its board type, HW_TYPE
// and firmware type are of the kinds that always do.
bool embedsInventory(const unsigned char (&firstBytes)[4], const UpdateFileRecord& record);

// The checksum of an update file that exists, at localPath: the CHECKSUM_CRC32 of the FIRMWARE
// item of its embedded inventory, the big-endian word at bytes 60 to 63 for the firmware types
// that carry one, else kUnknownChecksum.
uint32_t updateFileChecksum(VkCErrorListPool& errors, const std::string& localPath,
                            const UpdateFileRecord& record);
