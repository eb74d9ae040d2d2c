#include "sim/target_store.h"

#include "sim/file_lock.h"
#include "sim/target_cache.h"

namespace vksim {

bool changeTarget(const std::string& folder,
                  const std::function<bool(Target&, std::string&)>& change, std::string& error) {
    FileLock lock;
    bool busy = false;
    if (!lock.acquire(stateLockOf(folder), FileLock::Mode::Exclusive, true, busy, error)) {
        return false;
    }
    // Under the state lock no other process is saving; leftovers of dead ones can go.
    removeStaleTemporaryFiles(targetFileOf(folder));
    Target target;
    if (!readTargetForChange(folder, target, error) || !change(target, error)) {
        return false;
    }
    return saveTarget(target, error);
}

std::optional<Fault> takeFault(const Target& target, const std::string& call,
                               const FaultSubject& subject, FaultKind kind) {
    const Fault* found = nullptr;
    for (const Fault& fault : target.faults) {
        if (faultMatches(fault, call, subject, kind)) {
            found = &fault;
            break;
        }
    }
    if (found == nullptr || !found->times) {
        return found ? std::optional<Fault>(*found) : std::nullopt;
    }
    // Count the use in the file as it is now: another process may have used it meanwhile.
    std::optional<Fault> taken;
    std::string ignored;
    changeTarget(
        target.folder,
        [&](Target& current, std::string&) {
            for (const Fault& fault : current.faults) {
                if (faultMatches(fault, call, subject, kind)) {
                    taken = fault;
                    current.doc["faults"][fault.index]["times"] = *fault.times - 1;
                    return true;
                }
            }
            return false;
        },
        ignored);
    return taken;
}

}  // namespace vksim
