#include "catalogue_test_support.h"

#include "VkTalveronUpdateLib.h"
#include "description/firmware_catalogue.h"
#include "interface/module_state.h"
#include "reporting/format.h"

namespace description_test {

std::string stringParam(const std::string& id, const std::string& value) {
    return paramXml(id, "String", value);
}

std::string uint32Param(const std::string& id, uint32_t value) {
    return paramXml(id, "UInt32", std::to_string(value));
}

std::string versionParam(const std::string& value) {
    return paramXml("VERSION", "Version", value);
}

std::string entryXml(const std::string& kind, int index, const std::vector<std::string>& params) {
    const std::string number = std::to_string(index);
    if (kind == "FIRMWARE" || kind == "FPGAFIRMWARE" || kind == "BOOTLOADER") {
        return itemXml(kind + "[" + number + "]", "", params);
    }
    const std::string category = kind == "BUSFPGA" ? "2000" : "3000";
    return itemXml(category + "[" + number + "]", kind, params);
}

std::vector<std::string> entryParams(const std::string& location, const std::string& boardType,
                                     const std::string& version, uint32_t fwType,
                                     uint32_t updatePass) {
    return {stringParam("LOCATION", location), stringParam("BOARD_TYPE", boardType),
            versionParam(version), uint32Param("FIRMWARE", fwType),
            uint32Param("SEQUENCE", updatePass)};
}

std::string descriptionXml(const std::string& containerVersion,
                           const std::vector<std::string>& entries) {
    std::vector<std::string> children;
    if (!containerVersion.empty()) {
        children.push_back(itemXml("INFO", "", {versionParam(containerVersion)}));
    }
    children.insert(children.end(), entries.begin(), entries.end());
    return itemXml("1000", "Container", children);
}

namespace {

std::string versionText(uint64_t packed) {
    return std::to_string((packed >> 56) & 0xFF) + "." + std::to_string((packed >> 48) & 0xFF) +
           "." + std::to_string((packed >> 40) & 0xFF);
}

}  // namespace

std::string libraryVersionText() {
    return versionText(GetLibVersion().getAsULong64());
}

std::string newerVersionText() {
    return versionText(GetLibVersion().getAsULong64() + (uint64_t(1) << 40));
}

std::string olderVersionText() {
    const uint64_t version = GetLibVersion().getAsULong64();
    return versionText(version - (uint64_t(1) << (((version >> 40) & 0xFF) ? 40 : 56)));
}

std::string libraryVersionWithBuildText() {
    return libraryVersionText() + ".1";
}

CatalogueFixture::CatalogueFixture() {
    ModuleState& state = moduleState();
    state.fileCatalogue.clear();
    state.fileCount = 0;
    state.maxUpdatePass = 0;
    state.hostCallback = nullptr;
    state.outputToHost = false;
    options.firmwareFolder = folder.widePath();
    options.descriptionFile = L"fw.xml";
}

CatalogueFixture::~CatalogueFixture() {
    moduleState().hostCallback = nullptr;
}

int32_t CatalogueFixture::readDescription() {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int32_t result = readFirmwareDescription(errors, options, firmwareVersion);
    capturedErrors = testing::internal::GetCapturedStderr();
    capturedOutput = testing::internal::GetCapturedStdout();
    return result;
}

}  // namespace description_test
