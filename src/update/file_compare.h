#pragma once
#include <cstddef>
#include <string>

// Files are compared in blocks of this size; a file is never read whole.
constexpr size_t kCompareBlockSize = 131072;

// True when both files can be opened and read and their contents are equal. Only regular
// files are read, and opening never waits (see RegularFile). A file that cannot be opened is
// reported (only with verbose output) and makes the result false.
bool compareFiles(const std::wstring& first, const std::wstring& second);
