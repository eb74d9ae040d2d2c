#include "sim/update_sessions.h"

#include <map>

namespace vksim {

namespace {

using TargetUpdates = std::map<std::string, BoardUpdates>;

std::mutex& updatesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, TargetUpdates>& allUpdates() {
    static std::map<std::string, TargetUpdates> updates;
    return updates;
}

}  // namespace

std::unique_lock<std::mutex> guardUpdates() {
    return std::unique_lock<std::mutex>(updatesMutex());
}

BoardUpdates& updatesOf(const std::string& folder, const std::string& boardKey) {
    return allUpdates()[folder][boardKey];
}

void forgetUpdatesBelow(const std::string& folder, const std::string& nodeKey) {
    TargetUpdates& boards = allUpdates()[folder];
    for (auto it = boards.begin(); it != boards.end();) {
        const std::string& key = it->first;
        const bool below = key == nodeKey || key.compare(0, nodeKey.size() + 1, nodeKey + "/") == 0;
        it = below ? boards.erase(it) : std::next(it);
    }
}

void forgetUpdates(const std::string& folder) {
    std::unique_lock<std::mutex> guard = guardUpdates();
    allUpdates().erase(folder);
}

}  // namespace vksim
