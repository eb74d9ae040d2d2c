#include "generated_system.h"

#include <ftw.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "VkTalveronUpdateLib.h"
#include "sim/Images.h"

namespace target_bench {

namespace {

// Board values that pass the matching and the compatibility check (as bench/update uses).
constexpr const char* kSystemClass = "0x20004";
constexpr uint32_t kHwType = 2;
constexpr uint32_t kBoardFwType = 3;
constexpr uint32_t kFwCompatibilityId = 4;
constexpr uint32_t kFirstSerialNumber = 300000;
constexpr uint32_t kUserFirmwareType = 1;
constexpr const char* kInstalledVersion = "1.0";
constexpr const char* kNewVersion = "2.0";
constexpr uint64_t kPayloadBytes = 1024;
constexpr const char* kDescriptionFile = "release.xml";

bool makeFolder(const std::string& path, std::string& error) {
    if (::mkdir(path.c_str(), 0755) == 0) {
        return true;
    }
    error = "cannot make " + path + ": " + std::strerror(errno);
    return false;
}

bool writeText(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out.flush()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

// Board types are numbered from 1.
uint32_t typeOfBoard(uint32_t board) {
    return (board - 1) % kBoardTypes + 1;
}

std::string boardTypeName(uint32_t type) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%04u", kBoardTypePrefix, type);
    return text;
}

std::string imageNameOf(uint32_t type) {
    std::string name = boardTypeName(type) + "_fw.vkim";
    for (char& c : name) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

// --- target.json ---

std::string installedPartJson(const char* id) {
    return std::string(R"({"id": ")") + id + R"(", "params": {"VERSION": ")" + kInstalledVersion +
           R"(", "CHECKSUM_CRC32": 1}})";
}

std::string productJson(uint32_t board) {
    return R"({"id": "PRODUCT", "params": {"BOARD_TYPE": ")" + boardTypeName(typeOfBoard(board)) +
           R"(", "SERIAL_NUMBER": )" + std::to_string(kFirstSerialNumber + board) +
           R"(, "SYSTEM_CLASS": ")" + kSystemClass + R"(", "HW_TYPE": )" + std::to_string(kHwType) +
           R"(, "FW_TYPE": )" + std::to_string(kBoardFwType) + "}}";
}

// The board of bench/update: product, FPGA chip, user firmware, FPGA and bus FPGA firmware.
std::string boardJson(uint32_t board) {
    const std::string items[] = {
        productJson(board),
        R"({"id": "HARDWARE", "items": [{"id": "FPGA", "params": {"CHIP_TYPE": 7}}]})",
        installedPartJson("FIRMWARE"),
        installedPartJson("FPGAFIRMWARE"),
        R"({"id": "IOFPGA", "items": [)" + installedPartJson("FPGAFIRMWARE") + "]}",
        R"({"id": "UPDATE_INFO"})",
    };
    std::string text = R"(  {"id": "IOROUTER[)" + std::to_string(board) +
                       R"(]", "params": {"ACTIVE_FIRMWARE": 1, "ACTIVE_FPGA": 1}, "items": [)";
    const char* separator = "\n    ";
    for (const std::string& item : items) {
        text += separator + item;
        separator = ",\n    ";
    }
    return text + "]}";
}

std::string targetJson(uint32_t boards) {
    std::string text = std::string(R"({"systemName": ")") + kSystemName +
                       R"(", "ipAddress": "10.0.0.2", "applications": [],)" +
                       "\n \"inventory\": [\n";
    for (uint32_t board = 1; board <= boards; ++board) {
        text += boardJson(board);
        text += board < boards ? ",\n" : "\n";
    }
    return text + "]}\n";
}

// --- firmware container ---

std::string param(const char* id, const char* type, const std::string& value) {
    return std::string("    <PARAM ID=\"") + id + "\" Type=\"" + type + "\"><VALUE>" + value +
           "</VALUE></PARAM>\n";
}

std::string entryXml(uint32_t type) {
    const std::string id = type == 1 ? "FIRMWARE" : "FIRMWARE[" + std::to_string(type) + "]";
    return "  <ITEM ID=\"" + id + "\">\n" + param("LOCATION", "String", imageNameOf(type)) +
           param("BOARD_TYPE", "String", boardTypeName(type)) +
           param("VERSION", "Version", kNewVersion) +
           param("FIRMWARE", "UInt32", std::to_string(kUserFirmwareType)) +
           param("SEQUENCE", "UInt32", "1") + param("HW_TYPE", "UInt32", std::to_string(kHwType)) +
           param("FW_COMPATIBILITY_ID", "UInt32", std::to_string(kFwCompatibilityId)) +
           "  </ITEM>\n";
}

std::string descriptionXml() {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<ITEM ID=\"1000\" Descr=\"FirmwareContainer\">\n"
        "  <ITEM ID=\"INFO\">\n" +
        param("VERSION", "Version", GetLibVersion().getAsString().str()) + "  </ITEM>\n";
    for (uint32_t type = 1; type <= kBoardTypes; ++type) {
        text += entryXml(type);
    }
    return text + "</ITEM>\n";
}

bool writeImages(const GeneratedSystem& system, std::string& error) {
    for (uint32_t type = 1; type <= kBoardTypes; ++type) {
        const std::string path = system.firmwareFolder + "/" + imageNameOf(type);
        if (!vksim::writeVkimImage(path, kNewVersion, kPayloadBytes, error)) {
            return false;
        }
    }
    return true;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

}  // namespace

bool writeGeneratedSystem(const std::string& folder, uint32_t boards, GeneratedSystem& system,
                          std::string& error) {
    system.boards = boards;
    system.targetsFolder = folder + "/targets";
    system.firmwareFolder = folder + "/firmware";
    const std::string targetFolder = system.targetsFolder + "/" + kSystemName;
    return makeFolder(folder, error) && makeFolder(system.targetsFolder, error) &&
           makeFolder(targetFolder, error) && makeFolder(system.firmwareFolder, error) &&
           writeText(targetFolder + "/target.json", targetJson(boards), error) &&
           writeText(system.firmwareFolder + "/" + kDescriptionFile, descriptionXml(), error) &&
           writeImages(system, error);
}

void removeTree(const std::string& path) {
    ::nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace target_bench
