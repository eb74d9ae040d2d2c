#include "sim/target_cache.h"

#include <time.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

namespace vksim {

namespace {

// A change gives a file new modification and status change times, but only as fine as the
// file system's clock goes: within one tick of it a file can be written again and keep its
// times (with an inode number used again, its identity too). A state proves the bytes only
// when the file had last changed this long before it was read: later changes get later times.
constexpr int64_t kSettledAfterNanoseconds = 100'000'000;
// Times without nanoseconds come from a file system that counts whole seconds (or two).
constexpr int64_t kSettledAfterNanosecondsOnCoarseClocks = 3'000'000'000;
constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;

int64_t nanoseconds(int64_t seconds, int64_t nanoseconds) {
    return seconds * kNanosecondsPerSecond + nanoseconds;
}

int64_t realTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now.tv_sec, now.tv_nsec);
}

bool isSettled(const FileState& state, int64_t readStart) {
    const bool coarse = state.modifiedNanoseconds == 0 && state.changedNanoseconds == 0;
    const int64_t lastChange =
        std::max(nanoseconds(state.modifiedSeconds, state.modifiedNanoseconds),
                 nanoseconds(state.changedSeconds, state.changedNanoseconds));
    return readStart - lastChange >
           (coarse ? kSettledAfterNanosecondsOnCoarseClocks : kSettledAfterNanoseconds);
}

// target.json as it was read (or written) in one state, and what its bytes parse into.
struct RememberedFile {
    std::optional<FileState> state;  // none: changing while it was read
    bool settled = false;            // the state alone shows that the bytes are the same
    std::shared_ptr<const std::string> text;
    SharedTarget checked;
};
using SharedFile = std::shared_ptr<const RememberedFile>;

SharedFile makeRemembered(const std::optional<FileState>& state, int64_t readStart,
                          std::shared_ptr<const std::string> text, SharedTarget checked) {
    auto remembered = std::make_shared<RememberedFile>();
    remembered->state = state;
    remembered->settled = state && isSettled(*state, readStart);
    remembered->text = std::move(text);
    remembered->checked = std::move(checked);
    return remembered;
}

// The remembered target.json files of the process, by path. The generation counts the
// process's own saves: a read that began before one of them may have read the file before
// it changed, so it does not replace what the save remembered.
class TargetFiles {
  public:
    // Never destroyed: freeing every remembered target at exit would only cost time, and a
    // thread still calling in while the process ends must not find it gone.
    static TargetFiles& instance() {
        static TargetFiles& files = *std::make_unique<TargetFiles>().release();
        return files;
    }

    SharedFile find(const std::string& file) {
        std::lock_guard<std::mutex> hold(mutex_);
        const auto it = files_.find(file);
        return it == files_.end() ? nullptr : it->second;
    }
    uint64_t generation() {
        std::lock_guard<std::mutex> hold(mutex_);
        return generation_;
    }
    // Remembers what a read found, unless the process saved the file since the read began.
    void rememberRead(const std::string& file, SharedFile read, uint64_t generationAtRead) {
        std::lock_guard<std::mutex> hold(mutex_);
        if (generation_ == generationAtRead) {
            files_[file] = std::move(read);
        }
    }
    // Replaces what is remembered after the process's own save; null forgets the file.
    void rememberSaved(const std::string& file, SharedFile saved) {
        std::lock_guard<std::mutex> hold(mutex_);
        ++generation_;
        if (saved) {
            files_[file] = std::move(saved);
        } else {
            files_.erase(file);
        }
    }

  private:
    std::mutex mutex_;
    uint64_t generation_ = 0;
    std::map<std::string, SharedFile> files_;
};

SharedTarget checkTargetText(const std::string& folder, const std::string& text,
                             std::string& error) {
    const std::string file = targetFileOf(folder);
    Json doc;
    if (!parseJsonText(text, file, doc, error)) {
        return nullptr;
    }
    auto checked = std::make_shared<CheckedTarget>();
    checked->folder = folder;
    checked->inventory = readTargetFields(doc, file, *checked, error);
    if (!checked->inventory) {
        return nullptr;
    }
    checked->doc = std::move(doc);
    return checked;
}

// The target from the file's bytes: parsed unless they are the remembered ones. What was
// read is remembered in the file's new state.
SharedTarget readTargetFile(const std::string& folder, const SharedFile& remembered,
                            std::string& error) {
    TargetFiles& files = TargetFiles::instance();
    const std::string file = targetFileOf(folder);
    const uint64_t generation = files.generation();
    const int64_t readStart = realTimeNow();
    std::optional<FileState> state;
    if (remembered && fileHoldsBytes(file, *remembered->text, state)) {
        if (state && (state != remembered->state || !remembered->settled)) {
            files.rememberRead(
                file, makeRemembered(state, readStart, remembered->text, remembered->checked),
                generation);
        }
        return remembered->checked;
    }
    auto text = std::make_shared<std::string>();
    if (!readTextFile(file, *text, error, &state)) {
        return nullptr;
    }
    const SharedTarget checked = checkTargetText(folder, *text, error);
    if (checked && state) {
        files.rememberRead(file, makeRemembered(state, readStart, std::move(text), checked),
                           generation);
    }
    return checked;
}

}  // namespace

SharedTarget currentTarget(const std::string& folder, std::string& error) {
    const std::string file = targetFileOf(folder);
    const SharedFile remembered = TargetFiles::instance().find(file);
    if (remembered && remembered->settled && regularFileStateOf(file) == remembered->state) {
        return remembered->checked;
    }
    return readTargetFile(folder, remembered, error);
}

bool readTargetForChange(const std::string& folder, Target& target, std::string& error) {
    // A change must start from the file as it is: only its bytes prove it unchanged.
    const SharedTarget current =
        readTargetFile(folder, TargetFiles::instance().find(targetFileOf(folder)), error);
    if (!current) {
        return false;
    }
    target = *current;  // a copy of the target alone, to be changed
    return true;
}

bool loadTarget(const std::string& folder, Target& target, std::string& error) {
    target = Target();
    target.folder = folder;
    const SharedTarget current = currentTarget(folder, error);
    if (!current) {
        return false;
    }
    target = *current;
    return true;
}

bool saveTarget(const Target& target, std::string& error) {
    const std::string file = targetFileOf(target.folder);
    const int64_t writeStart = realTimeNow();
    auto text = std::make_shared<std::string>(
        target.doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
    std::optional<FileState> state;
    if (!writeFileAtomically(file, *text, error, &state)) {
        TargetFiles::instance().rememberSaved(file, nullptr);
        return false;
    }
    // Parsed from the bytes written, so the next call finds exactly what reading them gives;
    // a document that does not load is not remembered, and the next call reports it.
    std::string ignored;
    SharedTarget checked = checkTargetText(target.folder, *text, ignored);
    TargetFiles::instance().rememberSaved(
        file,
        checked && state ? makeRemembered(state, writeStart, std::move(text), checked) : nullptr);
    return true;
}

}  // namespace vksim
