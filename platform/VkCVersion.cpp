#include "VkCVersion.h"

#include <string>

namespace {

constexpr int kMaxComponents = 6;

// Maximum of component i: the first four are bytes, the last two 16-bit words.
uint32_t componentLimit(int i) {
    return i < 4 ? 0xFFu : 0xFFFFu;
}

int componentShift(int i) {
    static const int kShifts[kMaxComponents] = {56, 48, 40, 32, 16, 0};
    return kShifts[i];
}

}  // namespace

bool VkCVersion::setByString(const char* text) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    uint64_t packed = 0;
    int component = 0;
    const char* p = text;
    while (true) {
        if (component == kMaxComponents || *p < '0' || *p > '9') {
            return false;
        }
        uint32_t value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<uint32_t>(*p - '0');
            if (value > componentLimit(component)) {
                return false;
            }
            ++p;
        }
        packed |= uint64_t(value) << componentShift(component);
        ++component;
        if (*p == '\0') {
            break;
        }
        if (*p != '.') {
            return false;
        }
        ++p;
    }
    value_ = packed;
    return true;
}

VkCString VkCVersion::getAsString() const {
    uint32_t components[kMaxComponents];
    int last = 1;
    for (int i = 0; i < kMaxComponents; ++i) {
        components[i] = uint32_t(value_ >> componentShift(i)) & componentLimit(i);
        if (components[i] != 0 && i > last) {
            last = i;
        }
    }
    std::string text;
    for (int i = 0; i <= last; ++i) {
        if (i > 0) {
            text += '.';
        }
        text += std::to_string(components[i]);
    }
    return VkCString(text);
}
