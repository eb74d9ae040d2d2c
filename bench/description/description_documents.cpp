#include "description_documents.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "VkTalveronUpdateLib.h"

namespace {

const char* const kKinds[] = {"FIRMWARE", "FPGAFIRMWARE", "BUSFPGA", "BOOTLOADER"};
constexpr const char* kUpdateFolder = "firmware";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The name of entry n's update file inside the update folder.
std::string updateFileName(size_t n) {
    return std::string(kKinds[n % 4]) + "_" + std::to_string(n / 4 + 1) + ".bin";
}

std::string param(const char* id, const char* type, const std::string& value) {
    return std::string("    <PARAM ID=\"") + id + "\" Type=\"" + type + "\"><VALUE>" + value +
           "</VALUE></PARAM>\n";
}

std::string entry(size_t n) {
    const char* kind = kKinds[n % 4];
    const std::string index = std::to_string(n / 4 + 1);
    std::string xml = n % 4 == 2 ? "  <ITEM ID=\"2000[" + index + "]\" Descr=\"BUSFPGA\">\n"
                                 : std::string("  <ITEM ID=\"") + kind + "[" + index + "]\">\n";
    xml += param("LOCATION", "String", std::string(kUpdateFolder) + "\\" + updateFileName(n));
    xml += param("BOARD_TYPE", "String", n % 3 ? "VK7101" : "VK7105");
    xml += param("VERSION", "Version", "3." + std::to_string(n % 7) + "." + std::to_string(n % 11));
    xml += param("FIRMWARE", "UInt32", std::to_string(n % 4 == 3 ? 10 : 1 + n % 3));
    xml += param("SEQUENCE", "UInt32", std::to_string(1 + n % 3));
    xml += param("HW_TYPE", "UInt32", std::to_string(n % 5));
    xml += param("CHIP_TYPE", "UInt32", "0x" + std::to_string(10 + n % 80));
    xml += param("TARGET_FILE_NAME", "String", "target_" + index + ".bin");
    xml += param("FW_COMPATIBILITY_ID", "UInt32", std::to_string(n % 4));
    xml += param("MIN_HW_COMPATIBILITY_ID", "UInt32", "1");
    xml += param("MAX_HW_COMPATIBILITY_ID", "UInt32", "4294967295");
    xml += param("OS_TYPE", "String", "RTOS");
    return xml + "  </ITEM>\n";
}

bool writeFile(const std::string& path, const std::string& content) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    return file && std::fwrite(content.data(), 1, content.size(), file.get()) == content.size();
}

}  // namespace

GeneratedDescription::GeneratedDescription(size_t entries, UpdateFiles updateFiles) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vkbench-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    path_ = folder_ + "/" + kFileName;
    complete_ = !folder_.empty() && writeDescription(entries) &&
                (updateFiles == UpdateFiles::Absent || writeUpdateFiles(entries));
}

GeneratedDescription::~GeneratedDescription() {
    std::error_code ignored;
    if (!folder_.empty()) {
        std::filesystem::remove_all(folder_, ignored);
    }
}

bool GeneratedDescription::writeDescription(size_t entries) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path_.c_str(), "wb"));
    if (!file) {
        return false;
    }
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ITEM ID=\"1000\" Descr=\"Container\">\n";
    text += "  <ITEM ID=\"INFO\">\n" +
            param("VERSION", "Version", GetLibVersion().getAsString().c_str()) + "  </ITEM>\n";
    for (size_t n = 0; n <= entries; ++n) {
        if (n == entries) {
            text += "</ITEM>\n";
        } else {
            text += entry(n);
        }
        if (text.size() > (1u << 16) || n == entries) {
            if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
                return false;
            }
            size_ += text.size();
            text.clear();
        }
    }
    return true;
}

// Each file starts with its own number, so that no two are alike; the rest is zero.
bool GeneratedDescription::writeUpdateFiles(size_t entries) {
    const std::string folder = folder_ + "/" + kUpdateFolder;
    std::error_code error;
    if (!std::filesystem::create_directory(folder, error)) {
        return false;
    }
    for (size_t n = 0; n < entries; ++n) {
        std::string content = "VKBENCH " + std::to_string(n);
        content.resize(kUpdateFileBytes, '\0');
        if (!writeFile(folder + "/" + updateFileName(n), content)) {
            return false;
        }
    }
    return true;
}
