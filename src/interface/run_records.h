#pragma once
// The records of a run that several subsystems share: the update files of the catalogue and
// the boards of the board table. They sit below every subsystem, so that none has to include
// another's headers just to name them.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "VkCErrorList.h"
#include "VkCInventoryAddress.h"
#include "VkCString.h"
#include "VkCVersion.h"
#include "VkTCmdOptions.h"

// A field of a board record that the progress display reads while the update stages write
// it. Every access is a relaxed atomic one: a stale value only delays the display by one
// cycle, but no access is ever torn or a data race. Unlike std::atomic it can be copied (a
// copy takes the current value), so records holding it still live in a vector.
template <typename T>
class RelaxedAtomic {
  public:
    RelaxedAtomic(T value = T()) noexcept : value_(value) {}  // NOLINT: converts like T
    RelaxedAtomic(const RelaxedAtomic& other) noexcept : value_(other.load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) noexcept {
        store(other.load());
        return *this;
    }
    RelaxedAtomic& operator=(T value) noexcept {
        store(value);
        return *this;
    }
    operator T() const noexcept { return load(); }  // NOLINT: reads like T

    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T value) noexcept { value_.store(value, std::memory_order_relaxed); }

  private:
    std::atomic<T> value_;
};

// One update file of the firmware description, in description order.
struct UpdateFileRecord {
    std::wstring FileName;     // LOCATION: path relative to the firmware folder
    VkCString TargetFileName;  // TARGET_FILE_NAME: file name on the target
    VkCString BoardType;       // BOARD_TYPE
    VkCString TypeName;        // display name of the file type
    VkCString OsType;          // OS_TYPE
    VkCVersion Version;        // VERSION
    uint32_t Crc32Checksum = 0;
    uint32_t FwType = 0;  // VkNInventoryManager::FirmwareType
    bool IsBootLoader = false;
    bool IsBusFpga = false;
    uint32_t FpgaType = 0;    // CHIP_TYPE
    uint32_t HwType = 0;      // HW_TYPE
    uint32_t UpdatePass = 0;  // SEQUENCE
    bool IsSelected = false;
    bool IsNeeded = false;   // matched to at least one board of the table
    bool IsMissing = false;  // cannot be opened for reading
    uint64_t FileSize = 0;
    uint32_t FwCompabilityId = 0;
    // 0xFFFFFFFF: no bound on that side.
    uint32_t MinHwCompatibilityId = 0xFFFFFFFF;
    uint32_t MaxHwCompatibilityId = 0xFFFFFFFF;
    uint32_t MinSwCompatibilityId = 0xFFFFFFFF;
    uint32_t MaxSwCompatibilityId = 0xFFFFFFFF;
};

// Marker for a checksum that is not known, for update files and installed parts alike.
constexpr uint32_t kUnknownChecksum = 0x12345678;

// Number of installed-part slots (numbered from 1 in the slot tables).
constexpr int kInstalledVersionSlots = 16;
constexpr int kVersionHistorySlots = 10;
constexpr int kTimestampSlots = 9;
constexpr int kInstalledChecksumSlots = 13;

// Per-match byte flags. The progress display reads them while the status stage writes them.
using MatchFlags = std::vector<RelaxedAtomic<uint8_t>>;

// One updatable board of the target: what the inventory scan read about it and the per-run
// state the later stages write. The per-match vectors have one entry per catalogue entry
// (fileCount at the time of the scan); positions below matchCount are in use. The fields that
// the progress display reads while the update stages write them are relaxed atomics.
struct BoardRecord {
    VkCInventoryAddress address;
    VkCString boardType;
    VkCString osType;
    VkCString mainboardModel;
    uint32_t systemClass = 0;
    VkCString productName;
    VkCString platformType;
    VkCVersion productVersion;
    uint32_t serialNumber = 0;
    uint32_t slot = 0;
    uint32_t fpgaChipType = 0;
    uint32_t hwType = 0;
    uint32_t fwType = 0;
    uint8_t activeFirmware = 0;
    uint8_t activeFpga = 0;
    uint32_t hwCompatibilityId = 0;
    uint32_t swCompatibilityId = 0;
    VkCVersion cpldVersion;
    bool hasActiveFirmware = false;
    bool hasActiveFpga = false;
    bool hasBootloader = false;
    bool hasBootloader2 = false;
    bool hasBootloader3 = false;
    bool hasUpdateInfoEntry = false;
    bool isPcPlatform = false;
    bool isNetworkComponent = false;
    bool hasUpdateInfo = false;
    bool hasIpAddress = false;
    bool updateFinished = false;
    RelaxedAtomic<uint32_t> failedPass = 0;
    bool filesUpdateOk = false;
    bool filesUpdateFailed = false;
    uint32_t statusPollFailures = 0;
    RelaxedAtomic<uint32_t> updateProgress = 0;
    VkCErrorListPool* errorPool = nullptr;  // owned by the error manager, never released here
    uint32_t matchCount = 0;
    std::vector<int32_t> matchFiles;  // catalogue indices, -1 = none
    MatchFlags fileFailed;            // incompatible, or its update failed
    MatchFlags fileUpToDate;          // already installed
    MatchFlags fileUpdated;           // update reported finished
    VkCVersion installedVersions[kInstalledVersionSlots];
    VkCString versionHistories[kVersionHistorySlots];
    VkCString timestamps[kTimestampSlots];
    uint32_t installedChecksums[kInstalledChecksumSlots];

    // Slot accessors, numbered from 1 as in the slot tables.
    VkCVersion& installedVersion(int slot) { return installedVersions[slot - 1]; }
    const VkCVersion& installedVersion(int slot) const { return installedVersions[slot - 1]; }
    VkCString& versionHistory(int slot) { return versionHistories[slot - 1]; }
    const VkCString& versionHistory(int slot) const { return versionHistories[slot - 1]; }
    VkCString& timestamp(int slot) { return timestamps[slot - 1]; }
    uint32_t& installedChecksum(int slot) { return installedChecksums[slot - 1]; }
    uint32_t installedChecksum(int slot) const { return installedChecksums[slot - 1]; }
};

// The board table: one record per updatable board, in depth-first order of the inventory.
// Indices are stable for the life of a run; records are only ever appended.
using BoardTable = std::vector<BoardRecord>;
