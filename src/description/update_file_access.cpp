#include "description/update_file_access.h"

#include "reporting/format.h"

namespace {

bool isDriveLetter(const std::wstring& name) {
    return name.size() >= 2 && name[1] == L':' &&
           ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'a' && name[0] <= L'z'));
}

bool climbsOut(const std::wstring& name) {
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find(L'/', start);
        if (end == std::wstring::npos) {
            end = name.size();
        }
        if (name.compare(start, end - start, L"..") == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

std::wstring descriptionFilePath(const std::wstring& firmwareFolder,
                                 const std::wstring& descriptionFile) {
    return firmwareFolder + L"/" + descriptionFile;
}

std::optional<std::string> updateFilePath(const std::wstring& firmwareFolder,
                                          const std::wstring& fileName) {
    std::wstring name = fileName;
    for (wchar_t& c : name) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    if ((!name.empty() && name[0] == L'/') || isDriveLetter(name) || climbsOut(name)) {
        return std::nullopt;
    }
    return toUtf8(firmwareFolder + L"/" + name);
}
