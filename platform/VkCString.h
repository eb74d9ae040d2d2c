#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "VkPlatformApi.h"

// Narrow, owned text (UTF-8).
class VK_PLATFORM_API VkCString {
  public:
    VkCString() = default;
    // Implicit, so that a literal or a C string passes wherever a VkCString is taken.
    VkCString(const char* text) : text_(text ? text : "") {}  // NOLINT(google-explicit-constructor)
    VkCString(const char* text, size_t length) : text_(text ? std::string(text, length) : "") {}
    explicit VkCString(uint32_t number) : text_(std::to_string(number)) {}
    explicit VkCString(const std::string& text) : text_(text) {}

    VkCString& operator=(const char* text) {
        text_ = text ? text : "";
        return *this;
    }

    bool operator==(const VkCString& other) const { return text_ == other.text_; }
    bool operator!=(const VkCString& other) const { return text_ != other.text_; }
    bool operator==(const char* other) const { return text_ == (other ? other : ""); }
    bool operator!=(const char* other) const { return !(*this == other); }
    VkCString operator+(const VkCString& other) const { return VkCString(text_ + other.text_); }
    VkCString operator+(const char* other) const { return VkCString(text_ + (other ? other : "")); }

    const char* c_str() const { return text_.c_str(); }
    bool isEmpty() const { return text_.empty(); }
    size_t length() const { return text_.size(); }
    const std::string& str() const { return text_; }

    static size_t strlen(const char* text) {
        return text ? std::char_traits<char>::length(text) : 0;
    }

  private:
    std::string text_;
};
