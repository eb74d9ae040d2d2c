#include "description/update_file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "reporting/format.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading in binary mode; folders, devices and pipes do not count
// (and opening a pipe must not wait for a writer).
File openRegularFile(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    File file(::fdopen(descriptor, "rb"));
    if (!file) {
        ::close(descriptor);
    }
    return file;
}

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

bool canOpenForReading(const std::string& path) {
    return openRegularFile(path) != nullptr;
}

size_t readFirstBytes(const std::string& path, unsigned char* buffer, size_t count) {
    const File file = openRegularFile(path);
    if (!file) {
        return 0;
    }
    return std::fread(buffer, 1, count, file.get());
}

std::optional<uint64_t> fileSize(const std::string& path) {
    const File file = openRegularFile(path);
    struct stat status;
    if (!file || ::fstat(fileno(file.get()), &status) != 0) {
        return std::nullopt;
    }
    return uint64_t(status.st_size);
}
