#pragma once

// Exit statuses of vkupdate besides the library's own results (0, 1, 2) and the reason codes
// of can-reboot (0 to 3).
namespace exit_status {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
// The command line is wrong; the library was not called (the BSD EX_USAGE value).
constexpr int kUsage = 64;

}  // namespace exit_status
