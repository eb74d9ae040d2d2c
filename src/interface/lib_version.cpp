#include "interface/lib_version.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <cstring>

#include "VkTalveronUpdateLib.h"

namespace {

constexpr char kNoteSection[] = ".note.velkor.version";
constexpr char kNoteOwner[] = "Velkor";
constexpr uint32_t kNoteType = 1;

// The file version stored in the library at build time, as an ELF note that readelf -n shows.
struct VersionNote {
    uint32_t nameSize;
    uint32_t descriptionSize;
    uint32_t type;
    char name[8];
    uint32_t halves[2];
};

__attribute__((section(".note.velkor.version"), used, aligned(4)))
const VersionNote kVersionNote = {sizeof kNoteOwner,
                                  2 * sizeof(uint32_t),
                                  kNoteType,
                                  "Velkor",
                                  {VK_LIB_VERSION_MS, VK_LIB_VERSION_LS}};

// Owns an open file descriptor and the libelf handle on it.
class ElfFile {
  public:
    explicit ElfFile(const char* path) : fd_(::open(path, O_RDONLY | O_CLOEXEC)) {
        if (fd_ >= 0 && elf_version(EV_CURRENT) != EV_NONE) {
            elf_ = elf_begin(fd_, ELF_C_READ, nullptr);
        }
    }
    ~ElfFile() {
        if (elf_ != nullptr) {
            elf_end(elf_);
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    ElfFile(const ElfFile&) = delete;
    ElfFile& operator=(const ElfFile&) = delete;

    Elf* get() const { return elf_; }

  private:
    int fd_;
    Elf* elf_ = nullptr;
};

bool readVersionNote(Elf_Data* data, FileVersion& out) {
    GElf_Nhdr header;
    size_t nameOffset = 0;
    size_t descOffset = 0;
    size_t offset = 0;
    while ((offset = gelf_getnote(data, offset, &header, &nameOffset, &descOffset)) > 0) {
        const char* base = static_cast<const char*>(data->d_buf);
        if (header.n_type == kNoteType && header.n_namesz == sizeof kNoteOwner &&
            std::memcmp(base + nameOffset, kNoteOwner, sizeof kNoteOwner) == 0 &&
            header.n_descsz == 2 * sizeof(uint32_t)) {
            std::memcpy(&out.mostSignificant, base + descOffset, sizeof(uint32_t));
            std::memcpy(&out.leastSignificant, base + descOffset + 4, sizeof(uint32_t));
            return true;
        }
    }
    return false;
}

}  // namespace

VkCVersion versionFromFileVersion(const FileVersion& v) {
    return VkCVersion(static_cast<uint8_t>(v.mostSignificant >> 16),
                      static_cast<uint8_t>(v.mostSignificant & 0xFFFF),
                      static_cast<uint8_t>(v.leastSignificant >> 16), 0, 0, 0);
}

bool readFileVersion(const char* path, FileVersion& out) {
    if (path == nullptr || *path == '\0') {
        return false;
    }
    ElfFile file(path);
    size_t namesIndex = 0;
    if (file.get() == nullptr || elf_getshdrstrndx(file.get(), &namesIndex) != 0) {
        return false;
    }
    for (Elf_Scn* section = elf_nextscn(file.get(), nullptr); section != nullptr;
         section = elf_nextscn(file.get(), section)) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) == nullptr || header.sh_type != SHT_NOTE) {
            continue;
        }
        const char* name = elf_strptr(file.get(), namesIndex, header.sh_name);
        Elf_Data* data = elf_getdata(section, nullptr);
        if (name != nullptr && std::strcmp(name, kNoteSection) == 0 && data != nullptr &&
            readVersionNote(data, out)) {
            return true;
        }
    }
    return false;
}

const char* ownModulePath() {
    Dl_info info;
    if (dladdr(reinterpret_cast<const void*>(&kVersionNote), &info) == 0 ||
        info.dli_fname == nullptr) {
        return "";
    }
    return info.dli_fname;
}

VkCVersion GetLibVersion() {
    FileVersion version;
    if (!readFileVersion(ownModulePath(), version)) {
        return VkCVersion();
    }
    return versionFromFileVersion(version);
}
