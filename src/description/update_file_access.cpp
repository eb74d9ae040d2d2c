#include "description/update_file_access.h"

#include "description/regular_file.h"
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

size_t readFirstBytes(const std::string& path, unsigned char* buffer, size_t count) {
    RegularFile file(path);
    const ssize_t got = file.isOpen() ? file.read(buffer, count) : 0;
    return got > 0 ? size_t(got) : 0;
}

std::optional<uint64_t> fileSize(const std::string& path) {
    const RegularFile file(path);
    if (!file.isOpen()) {
        return std::nullopt;
    }
    return file.size();
}
