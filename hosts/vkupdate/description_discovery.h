#pragma once
#include <string>

struct DescriptionDiscovery {
    bool found = false;
    std::string fileName;  // name inside the folder, when found
    std::string error;     // one line saying what is wrong, when not found
};

// Finds the firmware container's description file: the only file directly in folder whose
// name ends in ".xml" (any letter case). None, several, or a folder that cannot be read is
// an error that says so.
DescriptionDiscovery discoverDescriptionFile(const std::string& folder);

// Checks a description file named by the user (--description): folder/fileName must be a
// regular file that can be opened. It is opened without waiting, so a pipe cannot stall the
// check. The error names the path and what is wrong.
DescriptionDiscovery checkGivenDescriptionFile(const std::string& folder,
                                               const std::string& fileName);
