#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "VkCVersion.h"
#include "VkPlatformApi.h"

// Firmware image formats the simulated target understands:
// - VKIM: bytes 0..3 "VKIM", 4..35 the version text padded with zero bytes, 36..59 zero,
//   60..63 the CRC-32 (zlib polynomial) of every byte after byte 63, big-endian; then the
//   payload.
// - ELF: a section ".vkinventory" holds an inventory in the JSON form of target.json with a
//   FIRMWARE item carrying VERSION and CHECKSUM_CRC32 (and optionally FW_TYPE, the firmware
//   type the image is for). The checksum covers the contents of every other SHT_PROGBITS
//   section, in section order.
namespace vksim {

struct ImageInfo {
    enum class Format { Vkim, Elf };
    Format format = Format::Vkim;
    VkCVersion version;
    uint32_t checksum = 0;
    std::optional<uint32_t> firmwareType;  // only when the image names one
};

// Reads and checks an image: false when the file is no image of a known format, or its
// checksum does not match its content; problem says which, for the user.
VK_PLATFORM_API bool inspectImage(const std::string& path, ImageInfo& info, std::string& problem);
// The same for a file already open for reading (from any offset).
bool inspectOpenImage(int fd, ImageInfo& info, std::string& problem);

// VKIM images (used by inspectImage and the vksim tool).
bool readVkimImage(int fd, ImageInfo& info, std::string& problem);
VK_PLATFORM_API bool writeVkimImage(const std::string& path, const std::string& version,
                                    uint64_t payloadSize, std::string& error);

// ELF images with an embedded inventory.
struct ElfInventory {
    std::string json;         // the text of ".vkinventory"
    uint32_t payloadCrc = 0;  // CRC-32 of the other SHT_PROGBITS sections
};
// False when the file is no readable regular ELF file or has no ".vkinventory" section.
VK_PLATFORM_API bool readElfInventory(const std::string& path, ElfInventory& inventory,
                                      std::string& problem);
bool readElfInventory(int fd, ElfInventory& inventory, std::string& problem);
VK_PLATFORM_API bool writeElfImage(const std::string& path, const std::string& version,
                                   std::optional<uint32_t> firmwareType, uint64_t payloadSize,
                                   std::string& error);
// The same with any .vkinventory text: inventoryOf gets the CRC-32 of the payload (for files
// with damaged inventories).
VK_PLATFORM_API bool writeElfFile(const std::string& path, const std::string& version,
                                  uint64_t payloadSize,
                                  const std::function<std::string(uint32_t)>& inventoryOf,
                                  std::string& error);

// Deterministic filler bytes for generated images, different for different versions.
void fillPayload(const std::string& version, uint64_t offset, unsigned char* bytes, size_t size);
// Writes size filler bytes to fd in blocks, never holding all of them; crc gets their CRC-32.
bool writePayload(int fd, const std::string& version, uint64_t size, uint32_t& crc);

}  // namespace vksim
