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
