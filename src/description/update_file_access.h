#pragma once
#include <optional>
#include <string>

// Local access to the files of a firmware folder. Paths are UTF-8.

// The path of the description file: firmwareFolder "/" descriptionFile.
std::wstring descriptionFilePath(const std::wstring& firmwareFolder,
                                 const std::wstring& descriptionFile);

// The local path of an update file: firmwareFolder "/" fileName, where "\" in fileName (the
// separator of the system the descriptions are made on) counts as "/". A fileName that is
// absolute (leading separator or drive letter) or has a ".." component could reach outside the
// firmware folder: it has no path, and such a file is never read.
std::optional<std::string> updateFilePath(const std::wstring& firmwareFolder,
                                          const std::wstring& fileName);
