#include <elf.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <memory>

#include "sim/file_copy.h"
#include "sim/images.h"
#include "sim/json_file.h"

namespace vksim {

namespace {

const char* const kInventorySection = ".vkinventory";

bool libelfReady() {
    static const bool ready = elf_version(EV_CURRENT) != EV_NONE;
    return ready;
}

using ElfPtr = std::unique_ptr<Elf, int (*)(Elf*)>;

// CRC-32 over the data blocks of one section, continuing value.
uLong checksumOfSection(Elf_Scn* section, uLong value) {
    Elf_Data* data = nullptr;
    while ((data = elf_getdata(section, data)) != nullptr) {
        const auto* bytes = static_cast<const Bytef*>(data->d_buf);
        for (size_t done = 0; bytes != nullptr && done < data->d_size;) {
            const size_t size = std::min<size_t>(data->d_size - done, 1u << 30);
            value = crc32(value, bytes + done, static_cast<uInt>(size));
            done += size;
        }
    }
    return value;
}

std::string sectionText(Elf_Scn* section) {
    std::string text;
    Elf_Data* data = nullptr;
    while ((data = elf_getdata(section, data)) != nullptr) {
        if (data->d_buf != nullptr) {
            text.append(static_cast<const char*>(data->d_buf), data->d_size);
        }
    }
    // A terminating zero byte is allowed after the JSON text.
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::string inventoryJson(const std::string& version, uint32_t checksum,
                          std::optional<uint32_t> firmwareType) {
    Json params = Json::object();
    params["VERSION"] = version;
    params["CHECKSUM_CRC32"] = checksum;
    if (firmwareType) {
        params["FW_TYPE"] = *firmwareType;
    }
    Json item = Json::object();
    item["id"] = "FIRMWARE";
    item["params"] = params;
    return Json::array({item}).dump(2) + "\n";
}

// The sections of a generated file, in file order after the header: .text (the payload),
// .vkinventory, .shstrtab; the section headers follow them.
const char kSectionNames[] = "\0.text\0.vkinventory\0.shstrtab";
constexpr uint32_t kTextName = 1;
constexpr uint32_t kInventoryName = 7;
constexpr uint32_t kNamesName = 20;
constexpr uint64_t kSectionCount = 4;
// Header, section names, padding and section headers, with room for the inventory text.
constexpr uint64_t kElfOverhead = 4096;

Elf64_Shdr sectionHeader(uint32_t name, uint32_t type, uint64_t flags, uint64_t offset,
                         uint64_t size) {
    Elf64_Shdr header{};
    header.sh_name = name;
    header.sh_type = type;
    header.sh_flags = flags;
    header.sh_offset = offset;
    header.sh_size = size;
    header.sh_addralign = 1;
    return header;
}

Elf64_Ehdr fileHeader(uint64_t sectionHeadersAt) {
    Elf64_Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_REL;
    header.e_machine = EM_NONE;
    header.e_version = EV_CURRENT;
    header.e_shoff = sectionHeadersAt;
    header.e_ehsize = sizeof(Elf64_Ehdr);
    header.e_shentsize = sizeof(Elf64_Shdr);
    header.e_shnum = kSectionCount;
    header.e_shstrndx = kSectionCount - 1;
    return header;
}

// Everything after the payload: the inventory, the section names and the section headers.
bool writeElfTail(int fd, uint64_t payloadSize, const std::string& inventory) {
    const uint64_t inventoryAt = sizeof(Elf64_Ehdr) + payloadSize;
    const uint64_t namesAt = inventoryAt + inventory.size();
    const uint64_t namesEnd = namesAt + sizeof kSectionNames;
    const uint64_t headersAt = (namesEnd + 7) / 8 * 8;
    const Elf64_Shdr headers[kSectionCount] = {
        Elf64_Shdr{},
        sectionHeader(kTextName, SHT_PROGBITS, SHF_ALLOC | SHF_EXECINSTR, sizeof(Elf64_Ehdr),
                      payloadSize),
        sectionHeader(kInventoryName, SHT_PROGBITS, 0, inventoryAt, inventory.size()),
        sectionHeader(kNamesName, SHT_STRTAB, 0, namesAt, sizeof kSectionNames)};
    const char padding[8] = {};
    const Elf64_Ehdr header = fileHeader(headersAt);
    return writeAll(fd, inventory.data(), inventory.size()) &&
           writeAll(fd, kSectionNames, sizeof kSectionNames) &&
           writeAll(fd, padding, headersAt - namesEnd) && writeAll(fd, headers, sizeof headers) &&
           ::pwrite(fd, &header, sizeof header, 0) == sizeof header;
}

}  // namespace

bool readElfInventory(const std::string& path, ElfInventory& inventory, std::string& problem) {
    const RegularFile file = openRegularFile(AT_FDCWD, path, O_RDONLY);
    if (!file.valid()) {
        problem = file.problem;
        return false;
    }
    return readElfInventory(file.fd.get(), inventory, problem);
}

bool readElfInventory(int fd, ElfInventory& inventory, std::string& problem) {
    if (!libelfReady()) {
        problem = std::string("cannot be read: ") + elf_errmsg(-1);
        return false;
    }
    ElfPtr elf(elf_begin(fd, ELF_C_READ_MMAP, nullptr), elf_end);
    size_t namesIndex = 0;
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF ||
        elf_getshdrstrndx(elf.get(), &namesIndex) != 0) {
        problem = "is no valid ELF file";
        return false;
    }
    bool found = false;
    uLong crc = crc32(0L, Z_NULL, 0);
    for (Elf_Scn* section = elf_nextscn(elf.get(), nullptr); section != nullptr;
         section = elf_nextscn(elf.get(), section)) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) == nullptr) {
            problem = "has section headers that cannot be read";
            return false;
        }
        const char* name = elf_strptr(elf.get(), namesIndex, header.sh_name);
        if (name != nullptr && std::strcmp(name, kInventorySection) == 0) {
            inventory.json = sectionText(section);
            found = true;
        } else if (header.sh_type == SHT_PROGBITS) {
            crc = checksumOfSection(section, crc);
        }
    }
    if (!found) {
        problem = "is an ELF file without a .vkinventory section";
        return false;
    }
    inventory.payloadCrc = static_cast<uint32_t>(crc);
    return true;
}

bool writeElfFile(const std::string& path, const std::string& version, uint64_t payloadSize,
                  const std::function<std::string(uint32_t)>& inventoryOf, std::string& error) {
    if (!checkRoomFor(path, payloadSize, kElfOverhead, error)) {
        return false;
    }
    RegularFile out = openRegularFile(AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC);
    if (!out.valid()) {
        error = path + ": " + out.problem;
        return false;
    }
    // The header is written last, when the place of the section headers is known; the
    // inventory after the payload, when its checksum is known.
    const Elf64_Ehdr placeholder{};
    uint32_t checksum = 0;
    const bool written = writeAll(out.fd.get(), &placeholder, sizeof placeholder) &&
                         writePayload(out.fd.get(), version, payloadSize, checksum) &&
                         writeElfTail(out.fd.get(), payloadSize, inventoryOf(checksum));
    if (!written) {
        error = path + ": " + systemError();
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

bool writeElfImage(const std::string& path, const std::string& version,
                   std::optional<uint32_t> firmwareType, uint64_t payloadSize, std::string& error) {
    VkCVersion parsed;
    if (!parsed.setByString(version.c_str())) {
        error = "\"" + version + "\" is no version text such as 3.2.1";
        return false;
    }
    return writeElfFile(
        path, version, payloadSize,
        [&](uint32_t checksum) { return inventoryJson(version, checksum, firmwareType); }, error);
}

}  // namespace vksim
