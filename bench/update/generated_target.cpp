#include "generated_target.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "VkNInventoryIDs.h"
#include "VkTalveronUpdateLib.h"
#include "bench_support.h"
#include "sim/images.h"

namespace update_bench {

namespace {

// Board values that pass the matching and the compatibility check. The system class is one
// whose boards fail the whole run instead of being skipped when something does not fit, so a
// mistake here shows as a failed update and never as a silently smaller one.
constexpr const char* kSystemClass = "0x20004";
constexpr uint32_t kHwType = 2;
constexpr uint32_t kBoardFwType = 3;
constexpr uint32_t kFwCompatibilityId = 4;
constexpr uint32_t kFpgaChipType = 7;
constexpr uint32_t kFirstSerialNumber = 200000;
constexpr uint32_t kUpdatePass = 1;

bool makeFolder(const std::string& path, std::string& error) {
    if (::mkdir(path.c_str(), 0755) == 0) {
        return true;
    }
    error = "cannot make " + path + ": " + std::strerror(errno);
    return false;
}

// --- target.json ---

std::string installedPartJson(const char* id) {
    return std::string(R"({"id": ")") + id + R"(", "params": {"VERSION": ")" + kInstalledVersion +
           R"(", "CHECKSUM_CRC32": 1}})";
}

std::string productJson(const GeneratedTarget& target, uint32_t board) {
    return R"({"id": "PRODUCT", "params": {"BOARD_TYPE": ")" + boardTypeName(target.typeOf(board)) +
           R"(", "SERIAL_NUMBER": )" + std::to_string(kFirstSerialNumber + board) +
           R"(, "SYSTEM_CLASS": ")" + kSystemClass + R"(", "HW_TYPE": )" + std::to_string(kHwType) +
           R"(, "FW_TYPE": )" + std::to_string(kBoardFwType) + "}}";
}

std::string hardwareJson() {
    return R"({"id": "HARDWARE", "items": [{"id": "FPGA", "params": {"CHIP_TYPE": )" +
           std::to_string(kFpgaChipType) + "}}]}";
}

std::string boardJson(const GeneratedTarget& target, uint32_t board) {
    const std::string items[] = {
        productJson(target, board),
        hardwareJson(),
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

std::string targetJson(const GeneratedTarget& target) {
    // One status query answers "running", the next one ends the update.
    std::string text = std::string(R"({"systemName": ")") + kSystemName +
                       R"(", "ipAddress": "10.0.0.1", "applications": [], "updatePolls": 1,)" +
                       "\n \"inventory\": [\n";
    for (uint32_t board = 1; board <= target.boards; ++board) {
        text += boardJson(target, board);
        text += board < target.boards ? ",\n" : "\n";
    }
    return text + "]}\n";
}

// --- description ---

std::string param(const char* id, const char* type, const std::string& value) {
    return std::string("    <PARAM ID=\"") + id + "\" Type=\"" + type + "\"><VALUE>" + value +
           "</VALUE></PARAM>\n";
}

std::string entryId(const char* category, uint32_t index) {
    return index == 1 ? category : std::string(category) + "[" + std::to_string(index) + "]";
}

std::string fileName(uint32_t type, const PartKind& part) {
    std::string name = boardTypeName(type) + "_" + part.fileSuffix + ".vkim";
    for (char& c : name) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

std::string entryXml(uint32_t type, const PartKind& part, uint32_t index) {
    std::string params = param("LOCATION", "String", fileName(type, part)) +
                         param("BOARD_TYPE", "String", boardTypeName(type)) +
                         param("VERSION", "Version", kNewVersion) +
                         param("FIRMWARE", "UInt32", std::to_string(part.fwType)) +
                         param("SEQUENCE", "UInt32", std::to_string(kUpdatePass)) +
                         param("HW_TYPE", "UInt32", std::to_string(kHwType)) +
                         param("FW_COMPATIBILITY_ID", "UInt32", std::to_string(kFwCompatibilityId));
    if (std::strcmp(part.entryCategory, "FPGAFIRMWARE") == 0) {
        params += param("CHIP_TYPE", "UInt32", std::to_string(kFpgaChipType));
    }
    return "  <ITEM ID=\"" + entryId(part.entryCategory, index) + "\">\n" + params + "  </ITEM>\n";
}

std::string descriptionXml(uint32_t types) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<ITEM ID=\"1000\" Descr=\"FirmwareContainer\">\n"
        "  <ITEM ID=\"INFO\">\n" +
        param("VERSION", "Version", GetLibVersion().getAsString().str()) + "  </ITEM>\n";
    std::map<std::string, uint32_t> entriesOfCategory;
    for (uint32_t type = 1; type <= types; ++type) {
        for (const PartKind& part : kParts) {
            text += entryXml(type, part, ++entriesOfCategory[part.entryCategory]);
        }
    }
    return text + "</ITEM>\n";
}

bool writeImages(const GeneratedTarget& target, std::string& error) {
    for (uint32_t type = 1; type <= target.typeCount(); ++type) {
        for (const PartKind& part : kParts) {
            const std::string path = target.firmwareFolder + "/" + fileName(type, part);
            if (!vksim::writeVkimImage(path, kNewVersion, kPayloadBytes, error)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

std::string boardTypeName(uint32_t type) {
    char text[16];
    std::snprintf(text, sizeof text, "VKB%04u", type);
    return text;
}

VkCInventoryAddress boardAddressOf(uint32_t board) {
    return VkNInventoryIDs::ROOT / VkNInventoryIDs::IOROUTER[board];
}

std::string imageFileOf(const GeneratedTarget& target, uint32_t board, const PartKind& part) {
    return target.firmwareFolder + "/" + fileName(target.typeOf(board), part);
}

void pointSimulationAt(const GeneratedTarget& target) {
    ::setenv("VK_SIM_TARGETS", target.targetsFolder.c_str(), 1);
}

bool writeGeneratedTarget(const std::string& folder, uint32_t boards, GeneratedTarget& target,
                          std::string& error, uint32_t boardTypes) {
    target.boards = boards;
    target.boardTypes = boardTypes;
    target.targetsFolder = folder + "/targets";
    target.firmwareFolder = folder + "/firmware";
    const std::string targetFolder = target.targetsFolder + "/" + kSystemName;
    if (!makeFolder(folder, error) || !makeFolder(target.targetsFolder, error) ||
        !makeFolder(targetFolder, error) || !makeFolder(target.firmwareFolder, error)) {
        return false;
    }
    if (!writeFileText(targetFolder + "/target.json", targetJson(target)) ||
        !writeFileText(target.firmwareFolder + "/" + kDescriptionFile,
                       descriptionXml(target.typeCount()))) {
        error = "cannot write the target or the description in " + folder;
        return false;
    }
    return writeImages(target, error);
}

}  // namespace update_bench
