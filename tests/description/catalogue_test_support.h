#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VkCErrorList.h"
#include "VkCVersion.h"
#include "VkTCmdOptions.h"
#include "description_test_support.h"

namespace description_test {

// Parameters of description entries.
std::string stringParam(const std::string& id, const std::string& value);
std::string uint32Param(const std::string& id, uint32_t value);
std::string versionParam(const std::string& value);

// One entry of a firmware description: kind "FIRMWARE", "FPGAFIRMWARE", "BOOTLOADER" (items
// with the predefined IDs) or "BUSFPGA" (a numbered item with that descriptor), or any other
// descriptor for items that are no entries.
std::string entryXml(const std::string& kind, int index, const std::vector<std::string>& params);
// The usual parameters of an entry of the given firmware type and update pass.
std::vector<std::string> entryParams(const std::string& location, const std::string& boardType,
                                     const std::string& version, uint32_t fwType,
                                     uint32_t updatePass);
// A whole description; containerVersion "" leaves out INFO / VERSION.
std::string descriptionXml(const std::string& containerVersion,
                           const std::vector<std::string>& entries);

// The library's own version as a description would give it, e.g. "1.0.0".
std::string libraryVersionText();
// The library's version with its patch component raised or lowered by one, and with a
// non-zero fourth component.
std::string newerVersionText();
std::string olderVersionText();
std::string libraryVersionWithBuildText();

// A firmware folder with a description file named "fw.xml" and module state cleared.
class CatalogueFixture : public testing::Test {
  protected:
    CatalogueFixture();
    ~CatalogueFixture() override;

    void writeDescription(const std::string& xml) { folder.write("fw.xml", xml); }
    // Runs readFirmwareDescription with the fixture's options; stdout and stderr are captured.
    int32_t readDescription();

    TempFolder folder;
    VkTCmdOptions options;
    VkCErrorListPool errors;
    VkCVersion firmwareVersion;
    std::string capturedOutput;
    std::string capturedErrors;
};

}  // namespace description_test
