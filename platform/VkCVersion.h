#pragma once
#include <cstdint>

#include "VkCString.h"
#include "VkPlatformApi.h"

// A firmware version: four 8-bit and two 16-bit components, ordered most significant first.
// The empty version (all components 0) stands for "not installed".
class VK_PLATFORM_API VkCVersion {
  public:
    VkCVersion() = default;
    explicit VkCVersion(const char* text) { setByString(text); }
    explicit VkCVersion(const VkCString& text) { setByString(text.c_str()); }
    VkCVersion(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t w1, uint16_t w2)
        : value_(pack(a, b, c, d, w1, w2)) {}

    // Accepts 1 to 6 dot-separated decimal components; leaves the version unchanged otherwise.
    bool setByString(const char* text);
    void setByULong64(uint64_t value) { value_ = value; }
    uint64_t getAsULong64() const { return value_; }
    // "3.3.2", "5.0", "1.2.3.4": the first two components always, further ones up to the
    // last non-zero one.
    VkCString getAsString() const;

    bool operator==(const VkCVersion& o) const { return value_ == o.value_; }
    bool operator!=(const VkCVersion& o) const { return value_ != o.value_; }
    bool operator<(const VkCVersion& o) const { return value_ < o.value_; }
    bool operator<=(const VkCVersion& o) const { return value_ <= o.value_; }
    bool operator>(const VkCVersion& o) const { return value_ > o.value_; }
    bool operator>=(const VkCVersion& o) const { return value_ >= o.value_; }

    static uint64_t pack(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t w1, uint16_t w2) {
        return (uint64_t(a) << 56) | (uint64_t(b) << 48) | (uint64_t(c) << 40) |
               (uint64_t(d) << 32) | (uint64_t(w1) << 16) | uint64_t(w2);
    }

  private:
    uint64_t value_ = 0;
};
