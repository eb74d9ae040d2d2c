#pragma once
#include <cstddef>
#include <cstdint>

// The 64-byte record passed by value to the host callback. Offsets are part of the interface.
struct ParameterSet {
    uint32_t eventCode;  // offset 0
    uint32_t alignment;  // offset 4, not used
    union {              // offset 8
        struct {
            uint32_t value1;
            uint32_t value2;  // offset 12
        };
        const void* text1;  // EvCatalogueEntry, EvMessage
    };
    union {  // offset 16
        struct {
            uint32_t value3;
            uint32_t value4;  // offset 20
        };
        const void* text2;  // EvCatalogueEntry
    };
    const void* ref1;  // offset 24: pointer or zero; EvCatalogueEntry: the version
    union {            // offset 32
        const void* ref2;
        struct {
            uint32_t updatePass;  // EvCatalogueEntry, offset 32
            uint32_t isMissing;   // EvCatalogueEntry, offset 36
        };
    };
    // Offsets 40 to 63 carry data only in EvCatalogueEntry (VkHostEvents.h).
    uint32_t maxUpdatePass;    // offset 40
    uint32_t isSelected;       // offset 44
    uint32_t fwCompabilityId;  // offset 48
    uint32_t isBusFpga;        // offset 52
    uint8_t isBootLoader;      // offset 56
    uint8_t unused57[3];
    uint32_t fwType;  // offset 60
};

static_assert(sizeof(ParameterSet) == 64, "ParameterSet is 64 bytes");
static_assert(offsetof(ParameterSet, eventCode) == 0, "eventCode at 0");
static_assert(offsetof(ParameterSet, value1) == 8, "value1 at 8");
static_assert(offsetof(ParameterSet, text1) == 8, "text1 at 8");
static_assert(offsetof(ParameterSet, value2) == 12, "value2 at 12");
static_assert(offsetof(ParameterSet, value3) == 16, "value3 at 16");
static_assert(offsetof(ParameterSet, text2) == 16, "text2 at 16");
static_assert(offsetof(ParameterSet, value4) == 20, "value4 at 20");
static_assert(offsetof(ParameterSet, ref1) == 24, "ref1 at 24");
static_assert(offsetof(ParameterSet, ref2) == 32, "ref2 at 32");
static_assert(offsetof(ParameterSet, updatePass) == 32, "updatePass at 32");
static_assert(offsetof(ParameterSet, isMissing) == 36, "isMissing at 36");
static_assert(offsetof(ParameterSet, maxUpdatePass) == 40, "maxUpdatePass at 40");
static_assert(offsetof(ParameterSet, isSelected) == 44, "isSelected at 44");
static_assert(offsetof(ParameterSet, fwCompabilityId) == 48, "fwCompabilityId at 48");
static_assert(offsetof(ParameterSet, isBusFpga) == 52, "isBusFpga at 52");
static_assert(offsetof(ParameterSet, isBootLoader) == 56, "isBootLoader at 56");
static_assert(offsetof(ParameterSet, fwType) == 60, "fwType at 60");

// The host callback.
using VkTHostCallback = uint32_t (*)(ParameterSet);
