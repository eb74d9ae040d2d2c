#pragma once
#include "VkTCmdOptions.h"
#include "interface/run_records.h"

// Lists every board the options select, with the installed versions of its firmware parts
// and warnings about parts that are missing.
void printConnectedBoards(const BoardTable& table, VkTCmdOptions options);

// Prints the version history texts the selected boards keep for their firmware parts.
void printVersionHistories(const BoardTable& table, VkTCmdOptions options);
