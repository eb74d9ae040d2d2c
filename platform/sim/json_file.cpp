#include "sim/json_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "sim/file_copy.h"

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

// The parser's message without its "[json.exception.parse_error.101] parse error at ...:"
// prefix, which repeats what describePlace says.
std::string shortParserMessage(const std::string& what) {
    const size_t bracket = what.find("] ");
    std::string message = bracket == std::string::npos ? what : what.substr(bracket + 2);
    const size_t colon = message.find(": ");
    if (message.rfind("parse error", 0) == 0 && colon != std::string::npos) {
        message = message.substr(colon + 2);
    }
    return message;
}

// Where the first array or object opens that nests deeper than kMaxJsonNesting (from 0).
size_t tooDeepOpening(const std::string& text) {
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            i += c == '\\' ? 1 : 0;
            inString = c != '"';
        } else if (c == '"') {
            inString = true;
        } else if ((c == '[' || c == '{') && ++depth > kMaxJsonNesting) {
            return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return text.size();
}

// Builds the document from the parser's events and stops the parser as soon as arrays and
// objects nest deeper than kMaxJsonNesting, so a deep document is never built.
class NestingLimitedBuilder : public Json::json_sax_t {
  public:
    explicit NestingLimitedBuilder(Json& root) : root_(root) {}

    bool null() override { return value(nullptr); }
    bool boolean(bool v) override { return value(v); }
    bool number_integer(number_integer_t v) override { return value(v); }
    bool number_unsigned(number_unsigned_t v) override { return value(v); }
    bool number_float(number_float_t v, const string_t&) override { return value(v); }
    bool string(string_t& v) override { return value(std::move(v)); }
    bool binary(binary_t& v) override { return value(Json(std::move(v))); }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool key(string_t& name) override {
        key_ = std::move(name);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t position, const std::string&, const Json::exception& e) override {
        errorAt_ = position;
        message_ = shortParserMessage(e.what());
        return false;
    }

    bool tooDeep() const { return tooDeep_; }
    size_t errorAt() const { return errorAt_; }
    const std::string& message() const { return message_; }

  private:
    bool value(Json scalar) {
        add(std::move(scalar));
        return true;
    }
    Json& add(Json value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return root_;
        }
        Json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return parent.back();
        }
        Json& member = parent[key_];
        member = std::move(value);
        return member;
    }
    bool open(Json container) {
        if (open_.size() >= kMaxJsonNesting) {
            tooDeep_ = true;
            message_ = "nesting deeper than " + std::to_string(kMaxJsonNesting) + " levels";
            return false;
        }
        open_.push_back(&add(std::move(container)));
        return true;
    }
    bool close() {
        open_.pop_back();
        return true;
    }

    Json& root_;
    std::vector<Json*> open_;  // the arrays and objects not closed yet, outermost first
    std::string key_;
    bool tooDeep_ = false;
    size_t errorAt_ = 0;
    std::string message_;
};

std::string temporaryFileOf(const std::string& path) {
    return path + ".tmp." + std::to_string(::getpid());
}

// The temporary file is made anew: a leftover of an earlier process with this process's
// number is replaced, and a symbolic link in its place is removed rather than followed.
UniqueFd createTemporaryFile(const std::string& temporary) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd fd(::open(temporary.c_str(), flags, 0644));
    if (!fd.valid() && errno == EEXIST && ::unlink(temporary.c_str()) == 0) {
        fd = UniqueFd(::open(temporary.c_str(), flags, 0644));
    }
    return fd;
}

// Blocks in which fileHoldsBytes reads a file: small enough for the stack.
constexpr size_t kCompareBlockBytes = 16 * 1024;

FileState fileStateOf(const struct stat& info) {
    FileState state;
    state.device = static_cast<uint64_t>(info.st_dev);
    state.inode = static_cast<uint64_t>(info.st_ino);
    state.size = static_cast<uint64_t>(info.st_size);
    state.modifiedSeconds = info.st_mtim.tv_sec;
    state.modifiedNanoseconds = info.st_mtim.tv_nsec;
    state.changedSeconds = info.st_ctim.tv_sec;
    state.changedNanoseconds = info.st_ctim.tv_nsec;
    return state;
}

std::optional<FileState> openFileStateOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return std::nullopt;
    }
    return fileStateOf(info);
}

bool processIsGone(const std::string& digits) {
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

bool FileState::operator==(const FileState& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedSeconds == other.modifiedSeconds &&
           modifiedNanoseconds == other.modifiedNanoseconds &&
           changedSeconds == other.changedSeconds && changedNanoseconds == other.changedNanoseconds;
}

std::optional<FileState> regularFileStateOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return fileStateOf(info);
}

bool parseJsonText(const std::string& text, const std::string& origin, Json& doc,
                   std::string& error) {
    Json parsed;
    NestingLimitedBuilder builder(parsed);
    try {
        if (Json::sax_parse(text, &builder)) {
            doc = std::move(parsed);
            return true;
        }
    } catch (const std::exception& e) {
        error = origin + ": " + e.what();
        return false;
    }
    const size_t place = builder.tooDeep() ? tooDeepOpening(text) + 1 : builder.errorAt();
    error = origin + ": " + describePlace(text, place) + ": " + builder.message();
    return false;
}

bool readTextFile(const std::string& path, std::string& text, std::string& error,
                  std::optional<FileState>* state) {
    RegularFile file = openRegularFile(AT_FDCWD, path, O_RDONLY);
    if (!file.valid()) {
        error = path + ": " + file.problem;
        return false;
    }
    if (file.size > kMaxJsonFileSize) {
        error = path + ": " + std::to_string(file.size) + " bytes are more than the " +
                std::to_string(kMaxJsonFileSize) + " a JSON file of the simulation may have";
        return false;
    }
    // Never more than the size at opening: a file that grows (or a /proc file that claims 0
    // bytes and never ends) cannot keep the read going.
    const std::optional<FileState> before = openFileStateOf(file.fd.get());
    std::string content(static_cast<size_t>(file.size), '\0');
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::read(file.fd.get(), &content[done], content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = path + ": cannot be read: " + systemError();
            return false;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    content.resize(done);
    text = std::move(content);
    if (state != nullptr) {
        // A file written in place while it was read may hold a mix of both states.
        const std::optional<FileState> after = openFileStateOf(file.fd.get());
        *state =
            before && after && *before == *after && before->size == done ? before : std::nullopt;
    }
    return true;
}

bool fileHoldsBytes(const std::string& path, const std::string& expected,
                    std::optional<FileState>& state) {
    state.reset();
    RegularFile file = openRegularFile(AT_FDCWD, path, O_RDONLY);
    const std::optional<FileState> before =
        file.valid() ? openFileStateOf(file.fd.get()) : std::nullopt;
    if (!before || before->size != expected.size()) {
        return false;
    }
    char block[kCompareBlockBytes];
    size_t done = 0;
    while (done < expected.size()) {
        const ssize_t n =
            ::read(file.fd.get(), block, std::min(sizeof block, expected.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || std::memcmp(block, expected.data() + done, static_cast<size_t>(n)) != 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    const std::optional<FileState> after = openFileStateOf(file.fd.get());
    if (after && *after == *before) {
        state = before;
    }
    return true;
}

bool readJsonFile(const std::string& path, Json& doc, std::string& error) {
    std::string text;
    return readTextFile(path, text, error) && parseJsonText(text, path, doc, error);
}

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error,
                         std::optional<FileState>* writtenState) {
    const std::string temporary = temporaryFileOf(path);
    UniqueFd fd = createTemporaryFile(temporary);
    if (!fd.valid()) {
        error = temporary + ": cannot be created: " + systemError();
        return false;
    }
    const bool written =
        writeAll(fd.get(), content.data(), content.size()) && ::fsync(fd.get()) == 0;
    const int savedErrno = errno;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": cannot be written: " + std::strerror(written ? errno : savedErrno);
        fd = UniqueFd();
        ::unlink(temporary.c_str());
        return false;
    }
    // Taken from the file written, after the rename (which changes its status change time).
    if (writtenState != nullptr) {
        *writtenState = openFileStateOf(fd.get());
    }
    fd = UniqueFd();
    const UniqueFd folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) {
        ::fsync(folder.get());
    }
    return true;
}

void removeStaleTemporaryFiles(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string prefix = path.substr(path.find_last_of('/') + 1) + ".tmp.";
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) == 0 && processIsGone(name.substr(prefix.size()))) {
            ::unlinkat(::dirfd(dir.get()), name.c_str(), 0);
        }
    }
}

}  // namespace vksim
