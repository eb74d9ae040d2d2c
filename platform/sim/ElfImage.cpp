#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <vector>

#include "sim/FileCopy.h"
#include "sim/Images.h"
#include "sim/JsonFile.h"

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

// Adds a section with one data block; buffers must live until the file is written.
Elf_Scn* addSection(Elf* elf, uint32_t nameOffset, uint32_t type, uint64_t flags,
                    const std::vector<unsigned char>& bytes) {
    Elf_Scn* section = elf_newscn(elf);
    Elf_Data* data = section ? elf_newdata(section) : nullptr;
    GElf_Shdr header;
    if (data == nullptr || gelf_getshdr(section, &header) == nullptr) {
        return nullptr;
    }
    data->d_buf = const_cast<unsigned char*>(bytes.data());
    data->d_size = bytes.size();
    data->d_align = 1;
    data->d_type = ELF_T_BYTE;
    data->d_version = EV_CURRENT;
    header.sh_name = nameOffset;
    header.sh_type = type;
    header.sh_flags = flags;
    header.sh_addralign = 1;
    return gelf_update_shdr(section, &header) ? section : nullptr;
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

}  // namespace

bool readElfInventory(const std::string& path, ElfInventory& inventory, std::string& problem) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        problem = "cannot be read: " + systemError();
        return false;
    }
    return readElfInventory(fd.get(), inventory, problem);
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

bool writeElfImage(const std::string& path, const std::string& version,
                   std::optional<uint32_t> firmwareType, uint64_t payloadSize, std::string& error) {
    VkCVersion parsed;
    if (!parsed.setByString(version.c_str())) {
        error = "\"" + version + "\" is no version text such as 3.2.1";
        return false;
    }
    std::vector<unsigned char> payload(static_cast<size_t>(payloadSize));
    fillPayload(version, 0, payload.data(), payload.size());
    const uint32_t checksum = static_cast<uint32_t>(
        crc32(crc32(0L, Z_NULL, 0), payload.data(), static_cast<uInt>(payload.size())));
    const std::string json = inventoryJson(version, checksum, firmwareType);
    const std::vector<unsigned char> inventory(json.begin(), json.end());
    const char names[] = "\0.text\0.vkinventory\0.shstrtab";
    const std::vector<unsigned char> nameTable(names, names + sizeof names);

    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.valid() || !libelfReady()) {
        error = path + ": " + systemError();
        return false;
    }
    ElfPtr elf(elf_begin(fd.get(), ELF_C_WRITE, nullptr), elf_end);
    Elf64_Ehdr* header = elf ? elf64_newehdr(elf.get()) : nullptr;
    if (header == nullptr) {
        error = path + ": " + elf_errmsg(-1);
        return false;
    }
    header->e_ident[EI_DATA] = ELFDATA2LSB;
    header->e_type = ET_REL;
    header->e_machine = EM_NONE;
    header->e_version = EV_CURRENT;
    Elf_Scn* names_section = nullptr;
    const bool built =
        addSection(elf.get(), 1, SHT_PROGBITS, SHF_ALLOC | SHF_EXECINSTR, payload) &&
        addSection(elf.get(), 7, SHT_PROGBITS, 0, inventory) &&
        (names_section = addSection(elf.get(), 20, SHT_STRTAB, 0, nameTable)) != nullptr;
    if (built) {
        header->e_shstrndx = static_cast<Elf64_Half>(elf_ndxscn(names_section));
    }
    if (!built || elf_update(elf.get(), ELF_C_WRITE) < 0) {
        error = path + ": " + elf_errmsg(-1);
        return false;
    }
    return true;
}

}  // namespace vksim
