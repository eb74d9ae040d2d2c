#include "description_test_support.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "description/inventory_document.h"
#include "reporting/format.h"

namespace description_test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vkdesc-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    path_ = made ? made : "";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ignored);
    }
}

std::wstring TempFolder::widePath() const {
    return toWide(path_);
}

std::string TempFolder::write(const std::string& relativePath, const std::string& bytes) const {
    const std::filesystem::path full = std::filesystem::path(path_) / relativePath;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return full.string();
}

namespace {

template <typename Parse>
ParseOutcome captureParse(Parse parse) {
    ParseOutcome outcome;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    outcome.root = parse();
    outcome.standardOutput = testing::internal::GetCapturedStdout();
    outcome.standardError = testing::internal::GetCapturedStderr();
    return outcome;
}

}  // namespace

ParseOutcome parseText(const std::string& document) {
    return captureParse(
        [&] { return parseInventoryDocument(document.data(), document.size(), "doc.xml"); });
}

ParseOutcome parseFile(const std::wstring& path) {
    return captureParse([&] { return parseInventoryDocument(path); });
}

std::string paramXml(const std::string& id, const std::string& type, const std::string& value,
                     const std::string& descr) {
    std::string xml = "<PARAM ID=\"" + id + "\"";
    if (!descr.empty()) {
        xml += " Descr=\"" + descr + "\"";
    }
    return xml + " Type=\"" + type + "\"><VALUE>" + value + "</VALUE></PARAM>";
}

std::string itemXml(const std::string& id, const std::string& descr,
                    const std::vector<std::string>& children) {
    std::string xml = "<ITEM ID=\"" + id + "\"";
    if (!descr.empty()) {
        xml += " Descr=\"" + descr + "\"";
    }
    xml += ">";
    for (const std::string& child : children) {
        xml += child;
    }
    return xml + "</ITEM>";
}

}  // namespace description_test

// The XML parser library loses about 140 bytes in every parse that reads an external DTD, with
// or without an entity resolver of ours; the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:xercesc_3_2::XMLScanner::scanProlog\n";
}

// The checker would list the suppressed leaks at every exit, also at the exits of the death
// tests, whose standard error is compared.
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
