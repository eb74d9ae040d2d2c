#pragma once

// The full --help text: every command, option and exit status.
const char* helpText();
// The short reminder printed after a usage error.
const char* shortUsageText();
