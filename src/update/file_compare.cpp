#include "update/file_compare.h"

#include <fcntl.h>

#include <cstring>
#include <vector>

#include "description/regular_file.h"
#include "reporting/console.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

// A file opened for comparing (see RegularFile: only a regular file, never waiting), read
// sequentially.
class ComparedFile : public RegularFile {
  public:
    explicit ComparedFile(const std::wstring& path) : RegularFile(wideToUtf8(path)) {
        if (isOpen()) {
            ::posix_fadvise(descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
        }
    }
};

bool sameContent(RegularFile& first, RegularFile& second) {
    std::vector<char> buffers(2 * kCompareBlockSize);
    char* const a = buffers.data();
    char* const b = a + kCompareBlockSize;
    while (true) {
        const ssize_t countA = first.read(a, kCompareBlockSize);
        const ssize_t countB = second.read(b, kCompareBlockSize);
        const bool equal = countA >= 0 && countB >= 0 && countA == countB &&
                           std::memcmp(a, b, static_cast<size_t>(countA)) == 0;
        // A full block from the first file may be followed by more, even an empty step.
        if (!equal || static_cast<size_t>(countA) < kCompareBlockSize) {
            return equal;
        }
    }
}

bool isOpenOrReported(const RegularFile& file, const std::wstring& path) {
    if (file.isSpecialFile()) {
        trace(L"ERROR: Cannot compare file %ls: %hs!\n", path.c_str(), file.problem().c_str());
    } else if (!file.isOpen()) {
        trace(L"ERROR: Cannot open file %ls!\n", path.c_str());
    }
    return file.isOpen();
}

}  // namespace

bool compareFiles(const std::wstring& first, const std::wstring& second) {
    ComparedFile firstFile(first);
    if (!isOpenOrReported(firstFile, first)) {
        return false;
    }
    ComparedFile secondFile(second);
    return isOpenOrReported(secondFile, second) && sameContent(firstFile, secondFile);
}
