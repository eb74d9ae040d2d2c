#pragma once
#include "VkTCmdOptions.h"
#include "inventory/board_record.h"

// Records in board.matchFiles every catalogue file that belongs to the board, in catalogue
// order, and marks those files as needed. Only options.factoryMode is read: in factory mode
// user-firmware files become their factory counterparts in the catalogue itself (a change
// that later boards see), bus-FPGA and boot-loader files are not matched, and the board's
// active-firmware flags may be cleared.
void findUpdateFiles(BoardRecord& board, const VkTCmdOptions& options);
