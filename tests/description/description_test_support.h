#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "VkCInventoryItem.h"

namespace description_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::wstring widePath() const;
    // Writes bytes to the file at the relative path, making its folders.
    std::string write(const std::string& relativePath, const std::string& bytes) const;

  private:
    std::string path_;
};

// What a parse left behind: the tree (or null) and the text written to both streams.
struct ParseOutcome {
    std::unique_ptr<VkCInventoryItem> root;
    std::string standardError;
    std::string standardOutput;
};

// Parses a document from memory under the name "doc.xml".
ParseOutcome parseText(const std::string& document);
// Parses the document file at path.
ParseOutcome parseFile(const std::wstring& path);

// Builders of inventory XML text.
std::string paramXml(const std::string& id, const std::string& type, const std::string& value,
                     const std::string& descr = "");
std::string itemXml(const std::string& id, const std::string& descr,
                    const std::vector<std::string>& children);

}  // namespace description_test
