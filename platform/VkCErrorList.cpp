#include "VkCErrorList.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>

namespace {

// Formats one parameter with the conversion that starts at spec[0] == '%' and returns the
// text; advances spec past the conversion.
std::string formatParameter(const char*& spec, va_list& args) {
    std::string conversion = "%";
    ++spec;
    std::string length;
    while (*spec == 'l' || *spec == 'h' || *spec == 'z') {
        length += *spec++;
    }
    char type = *spec ? *spec++ : 'u';
    char buffer[64];
    switch (type) {
        case 's': {
            if (length == "l") {
                const wchar_t* wide = va_arg(args, const wchar_t*);
                std::string text;
                for (; wide && *wide; ++wide) {
                    text += (*wide < 0x80) ? static_cast<char>(*wide) : '?';
                }
                return text;
            }
            const char* text = va_arg(args, const char*);
            return text ? text : "";
        }
        case 'd':
        case 'i':
            if (length == "ll" || length == "l" || length == "z") {
                std::snprintf(buffer, sizeof buffer, "%lld", va_arg(args, long long));
            } else {
                std::snprintf(buffer, sizeof buffer, "%d", va_arg(args, int));
            }
            return buffer;
        case 'x':
        case 'X':
        case 'u':
        default: {
            unsigned long long value = (length == "ll" || length == "l" || length == "z")
                                           ? va_arg(args, unsigned long long)
                                           : va_arg(args, unsigned);
            const char* format = type == 'x' ? "%llx" : type == 'X' ? "%llX" : "%llu";
            std::snprintf(buffer, sizeof buffer, format, value);
            return buffer;
        }
    }
}

std::string fillPlaceholders(const char* message, const std::vector<std::string>& params) {
    std::string text;
    for (const char* p = message ? message : ""; *p; ++p) {
        if (*p == '%' && p[1] >= '1' && p[1] <= '9') {
            size_t index = static_cast<size_t>(p[1] - '1');
            if (index < params.size()) {
                text += params[index];
                ++p;
                continue;
            }
        }
        text += *p;
    }
    return text;
}

}  // namespace

VkCErrorList::~VkCErrorList() = default;

uint32_t VkCErrorList::getErrorCode(uint32_t index) const {
    return index < entries_.size() ? entries_[index].code : 0;
}

VkCString VkCErrorList::getErrorText(uint32_t index) const {
    return index < entries_.size() ? VkCString(entries_[index].text) : VkCString();
}

uint32_t VkCErrorList::getOriginNode(uint32_t index) const {
    return index < entries_.size() ? entries_[index].originNode : 0;
}

void VkCErrorList::setError(uint32_t code, uint32_t flags, const char* message, uint32_t node,
                            uint32_t line, const char* function, const char* paramFormat, ...) {
    std::vector<std::string> params;
    va_list args;
    va_start(args, paramFormat);
    for (const char* spec = paramFormat ? paramFormat : ""; *spec;) {
        if (*spec == '%') {
            params.push_back(formatParameter(spec, args));
        } else {
            ++spec;
        }
    }
    va_end(args);
    Entry entry;
    entry.code = code;
    entry.flags = flags;
    entry.originNode = node;
    entry.line = line;
    entry.function = function ? function : "";
    entry.text = fillPlaceholders(message, params);
    addEntry(entry);
}

void VkCErrorList::addEntry(const Entry& entry) {
    entries_.push_back(entry);
    if (!(entry.flags & FlagWarning)) {
        ++errorCount_;
    }
}

VkCErrorListPool& VkCErrorListPool::operator+=(const VkCErrorListPool& other) {
    if (&other == this) {
        const std::vector<Entry> copy = other.entries_;
        for (const Entry& entry : copy) {
            addEntry(entry);
        }
        return *this;
    }
    for (const Entry& entry : other.entries_) {
        addEntry(entry);
    }
    return *this;
}

void VkCErrorListPool::reset() {
    entries_.clear();
    errorCount_ = 0;
}

namespace {

struct ErrorLists {
    std::mutex mutex;
    std::set<std::unique_ptr<VkCErrorListPool>> lists;
};

ErrorLists& errorLists() {
    static ErrorLists lists;
    return lists;
}

}  // namespace

VkCErrorManager& VkCErrorManager::getInstance() {
    static VkCErrorManager manager;
    return manager;
}

VkCErrorListPool* VkCErrorManager::createErrorList(uint32_t, uint32_t, uint32_t, uint32_t,
                                                   uint32_t) {
    ErrorLists& lists = errorLists();
    std::lock_guard<std::mutex> hold(lists.mutex);
    return lists.lists.insert(std::make_unique<VkCErrorListPool>()).first->get();
}

size_t VkCErrorManager::getErrorListCount() {
    ErrorLists& lists = errorLists();
    std::lock_guard<std::mutex> hold(lists.mutex);
    return lists.lists.size();
}

void VkCErrorManager::deleteErrorList(VkCErrorListPool* pool) {
    ErrorLists& lists = errorLists();
    std::lock_guard<std::mutex> hold(lists.mutex);
    for (auto it = lists.lists.begin(); it != lists.lists.end(); ++it) {
        if (it->get() == pool) {
            lists.lists.erase(it);
            return;
        }
    }
}

VkCErrorListPool* VkCErrorManager::getMasterErrorList() {
    static VkCErrorListPool master;
    return &master;
}
