#pragma once
#include "VkTCmdOptions.h"
#include "VkUpdatePlan.h"
#include "interface/run_records.h"

// The plan data types and GetLastUpdatePlan are public (VkUpdatePlan.h); what builds and
// keeps the plan is the library's own.

// The plan of a board table after matching, compatibility check and installed-file
// comparison. Reads the table and the catalogue only.
UpdatePlan describeUpdatePlan(const BoardTable& table, const VkTCmdOptions& options);

// The plan of the last ShowPlan run of this process (kept by the driver right after the
// plan is printed); not present before one, and cleared when a run starts.
const UpdatePlan& lastUpdatePlan();
void rememberUpdatePlan(UpdatePlan plan);
void forgetUpdatePlan();
