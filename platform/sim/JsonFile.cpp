#include "sim/JsonFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "sim/FileCopy.h"

namespace vksim {

namespace {

// Line and column (both from 1) of the byte at offset (from 1, as the parser counts).
std::string describePlace(const std::string& text, size_t offset) {
    size_t line = 1;
    size_t column = 1;
    const size_t end = offset == 0 ? 0 : std::min(offset - 1, text.size());
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The parser's message without its "[json.exception.parse_error.101] parse error at ..."
// prefix, which repeats what describePlace says.
std::string shortParserMessage(const std::string& what) {
    const size_t colon = what.find(": ");
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

}  // namespace

bool parseJsonText(const std::string& text, const std::string& origin, Json& doc,
                   std::string& error) {
    try {
        doc = Json::parse(text);
        return true;
    } catch (const Json::parse_error& e) {
        error = origin + ": " + describePlace(text, e.byte) + ": " + shortParserMessage(e.what());
    } catch (const std::exception& e) {
        error = origin + ": " + e.what();
    }
    return false;
}

bool readTextFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    text = content.str();
    return true;
}

bool readJsonFile(const std::string& path, Json& doc, std::string& error) {
    std::string text;
    return readTextFile(path, text, error) && parseJsonText(text, path, doc, error);
}

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = temporary + ": cannot be created: " + std::strerror(errno);
        return false;
    }
    const bool written = writeAll(fd, content.data(), content.size()) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": cannot be written: " + std::strerror(written ? errno : savedErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

}  // namespace vksim
