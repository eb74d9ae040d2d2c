#pragma once
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// The board slots (numbered from 1) that hold the installed state of an update file's part.
struct InstalledSlots {
    int versionSlot = 0;
    int checksumSlot = 0;
};

// The slots of file's firmware type; false when the type has none (types 0, 10, 15 and above,
// and bus-FPGA files of types 3 and 4, which live as files on the CN drive).
bool installedSlotsOf(const UpdateFileRecord& file, InstalledSlots& slots);

// Whether the file's version (checksum) differs from the one installed on the board. A missing
// file and a file without slots always differ.
bool versionDiffers(const BoardRecord& board, const UpdateFileRecord& file);
bool checksumDiffers(const BoardRecord& board, const UpdateFileRecord& file);

// Marks as up to date every match of a selected board whose version and checksum both equal
// what the board reported. Boards without user firmware are never compared. An empty board
// table or catalogue ends the process with status 1.
void checkVersions(BoardTable& table, const VkTCmdOptions& options);
