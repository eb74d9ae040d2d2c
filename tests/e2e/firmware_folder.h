#pragma once
#include <string>

// Writes a small firmware container into folder: a description file "release.xml" made for
// libraryVersion with five update files (firmware, FPGA firmware, bus FPGA, boot loader) and
// a note item that is no entry; the FPGA firmware file is left out, so it is missing.
void writeFirmwareFolder(const std::string& folder, const std::string& libraryVersion);
