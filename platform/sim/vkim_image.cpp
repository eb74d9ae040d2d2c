#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "sim/file_copy.h"
#include "sim/images.h"

namespace vksim {

namespace {

constexpr size_t kHeaderSize = 64;
constexpr size_t kVersionOffset = 4;
constexpr size_t kVersionSize = 32;
constexpr size_t kChecksumOffset = 60;
constexpr size_t kBlock = 1u << 20;

// CRC-32 of everything from the current offset to the end; false on a read error.
bool checksumOfRest(int fd, uint32_t& crc) {
    std::vector<unsigned char> buffer(kBlock);
    uLong value = crc32(0L, Z_NULL, 0);
    while (true) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        value = crc32(value, buffer.data(), static_cast<uInt>(n));
    }
    crc = static_cast<uint32_t>(value);
    return true;
}

uint32_t bigEndian(const unsigned char* at) {
    return (uint32_t(at[0]) << 24) | (uint32_t(at[1]) << 16) | (uint32_t(at[2]) << 8) | at[3];
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

}  // namespace

void fillPayload(const std::string& version, uint64_t offset, unsigned char* bytes, size_t size) {
    const uint64_t seed = crc32(0L, reinterpret_cast<const Bytef*>(version.data()),
                                static_cast<uInt>(version.size())) |
                          0x100000000ull;
    for (size_t i = 0; i < size; ++i) {
        // A cheap mix of seed and position, so every byte is reproducible on its own.
        uint64_t x = (offset + i) * 0x9E3779B97F4A7C15ull ^ seed;
        x ^= x >> 29;
        x *= 0xBF58476D1CE4E5B9ull;
        bytes[i] = static_cast<unsigned char>(x >> 56);
    }
}

bool readVkimImage(int fd, ImageInfo& info, std::string& problem) {
    unsigned char header[kHeaderSize];
    if (::lseek(fd, 0, SEEK_SET) != 0 || !readAll(fd, header, sizeof header) ||
        std::memcmp(header, "VKIM", 4) != 0) {
        problem = "is no firmware image the target recognises";
        return false;
    }
    const char* text = reinterpret_cast<const char*>(header + kVersionOffset);
    const std::string version(text, strnlen(text, kVersionSize));
    if (!info.version.setByString(version.c_str())) {
        problem = "holds no valid version in its header (\"" + version + "\")";
        return false;
    }
    uint32_t actual = 0;
    if (!checksumOfRest(fd, actual)) {
        problem = "cannot be read: " + systemError();
        return false;
    }
    info.format = ImageInfo::Format::Vkim;
    info.checksum = bigEndian(header + kChecksumOffset);
    if (actual != info.checksum) {
        problem = "has the checksum " + hex(info.checksum) +
                  ", which does not match its content (" + hex(actual) + ")";
        return false;
    }
    return true;
}

bool writePayload(int fd, const std::string& version, uint64_t size, uint32_t& crc) {
    uLong value = crc32(0L, Z_NULL, 0);
    std::vector<unsigned char> block(kBlock);
    for (uint64_t done = 0; done < size;) {
        const size_t part = static_cast<size_t>(std::min<uint64_t>(block.size(), size - done));
        fillPayload(version, done, block.data(), part);
        value = crc32(value, block.data(), static_cast<uInt>(part));
        if (!writeAll(fd, block.data(), part)) {
            return false;
        }
        done += part;
    }
    crc = static_cast<uint32_t>(value);
    return true;
}

bool writeVkimImage(const std::string& path, const std::string& version, uint64_t payloadSize,
                    std::string& error) {
    VkCVersion parsed;
    if (version.size() >= kVersionSize || !parsed.setByString(version.c_str())) {
        error = "\"" + version + "\" is no version text such as 3.2.1";
        return false;
    }
    if (!checkRoomFor(path, payloadSize, kHeaderSize, error)) {
        return false;
    }
    RegularFile out = openRegularFile(AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC);
    if (!out.valid()) {
        error = path + ": " + out.problem;
        return false;
    }
    unsigned char header[kHeaderSize] = {};
    std::memcpy(header, "VKIM", 4);
    std::memcpy(header + kVersionOffset, version.data(), version.size());
    uint32_t crc = 0;
    const bool written = writeAll(out.fd.get(), header, sizeof header) &&
                         writePayload(out.fd.get(), version, payloadSize, crc);
    for (int i = 0; i < 4; ++i) {
        header[kChecksumOffset + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    }
    if (!written || ::pwrite(out.fd.get(), header + kChecksumOffset, 4, kChecksumOffset) != 4) {
        error = path + ": " + systemError();
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace vksim
