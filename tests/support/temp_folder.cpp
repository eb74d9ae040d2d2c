#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "utf8_conversion.h"

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vktest-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr) << "cannot make a temporary folder";
    path_ = made != nullptr ? made : "";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ignored);
    }
}

std::string TempFolder::file(const std::string& relativePath) const {
    return relativePath.empty() ? path_ : path_ + "/" + relativePath;
}

std::wstring TempFolder::wideFile(const std::string& relativePath) const {
    return utf8ToWide(file(relativePath));
}

std::string TempFolder::write(const std::string& relativePath, const std::string& bytes) const {
    const std::filesystem::path full = file(relativePath);
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return full.string();
}

std::string TempFolder::read(const std::string& relativePath) const {
    std::ifstream in(file(relativePath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string patternBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed;
    for (char& byte : bytes) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<char>(value >> 16);
    }
    return bytes;
}
