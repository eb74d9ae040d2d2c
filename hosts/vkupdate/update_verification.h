#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "VkTCmdOptions.h"
#include "VkUpdatePlan.h"

// --verify: after an update, the plan is made again and every file that the update selected
// must now be installed. Boot loaders take effect at the next start of the target, so they
// are left out.

// A selected file that the plan after the update still shows as to be installed.
struct FileNotInstalled {
    std::string boardType;
    uint32_t serialNumber = 0;
    std::string fileName;
    std::string installedVersion;  // empty when the target reports none
    std::string expectedVersion;
};

// The files that updatePlan (the plan the update ran) was to install and that planAfter
// still shows as to be installed; a board or file that planAfter lacks counts as well.
std::vector<FileNotInstalled> filesNotInstalled(const UpdatePlan& updatePlan,
                                                const UpdatePlan& planAfter);

// The verdict printed on standard output: "Verified: every selected file is installed." or
// a heading and one line per file.
std::string verificationText(const std::vector<FileNotInstalled>& missed);

// Runs the plan for the options (its printed output going to standard error) and prints the
// verdict against updatePlan. 0 when every selected file is installed, else 1.
int verifyUpdate(const VkTCmdOptions& options, const UpdatePlan& updatePlan);
