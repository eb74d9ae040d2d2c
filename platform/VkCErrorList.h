#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "VkCString.h"
#include "VkPlatformApi.h"

// A list of error entries recorded by the closed calls, queried by index from 0.
class VK_PLATFORM_API VkCErrorList {
  public:
    // Flag of setError: the entry is a warning and does not count as an error.
    static constexpr uint32_t FlagWarning = 0x1;

    struct Entry {
        uint32_t code = 0;
        uint32_t flags = 0;
        uint32_t originNode = 0;  // 0 = the host computer, else the reporting node's serial
        uint32_t line = 0;
        std::string function;
        std::string text;
    };

    virtual ~VkCErrorList();

    uint32_t getEntryCount() const { return static_cast<uint32_t>(entries_.size()); }
    uint32_t getErrorCount() const { return errorCount_; }
    // Out-of-range indexes answer 0 and the empty text.
    uint32_t getErrorCode(uint32_t index) const;
    VkCString getErrorText(uint32_t index) const;
    uint32_t getOriginNode(uint32_t index) const;

    // Adds an entry whose message refers to the parameters as %1, %2, ...; paramFormat lists
    // the parameters' printf conversions in order ("%u%s": an unsigned, then a narrow text).
    void setError(uint32_t code, uint32_t flags, const char* message, uint32_t node, uint32_t line,
                  const char* function, const char* paramFormat, ...);
    void addEntry(const Entry& entry);

  protected:
    std::vector<Entry> entries_;
    uint32_t errorCount_ = 0;
};

// The error collection handed to every closed call.
class VK_PLATFORM_API VkCErrorListPool : public VkCErrorList {
  public:
    VkCErrorListPool& operator+=(const VkCErrorListPool& other);
    void reset();
};

class VK_PLATFORM_API VkCErrorManager {
  public:
    static VkCErrorManager& getInstance();
    // The arguments are sizing hints (kind, level, initial size, growth, most entries); the
    // lists grow as needed, so they are accepted and not used.
    VkCErrorListPool* createErrorList(uint32_t kind, uint32_t level, uint32_t initialSize,
                                      uint32_t growBy, uint32_t maxEntries);
    void deleteErrorList(VkCErrorListPool* pool);
    VkCErrorListPool* getMasterErrorList();
    // The lists made by createErrorList and not yet deleted (the master list not counted).
    size_t getErrorListCount();

  private:
    VkCErrorManager() = default;
};
