#include "firmware_folder.h"

#include <filesystem>
#include <string>

#include "e2e_fixture.h"

namespace {

std::string param(const char* id, const char* type, const std::string& value) {
    return std::string("    <PARAM ID=\"") + id + "\" Type=\"" + type + "\"><VALUE>" + value +
           "</VALUE></PARAM>\n";
}

// idAttributes: the ITEM's attributes, such as ID="FIRMWARE[2]".
std::string entry(const std::string& idAttributes, const std::string& params) {
    return "  <ITEM " + idAttributes + ">\n" + params + "  </ITEM>\n";
}

std::string description(const std::string& libraryVersion) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<ITEM ID=\"1000\" Descr=\"FirmwareContainer\">\n" +
           entry("ID=\"INFO\"", param("VERSION", "Version", libraryVersion)) +
           entry("ID=\"FIRMWARE\"",
                 param("LOCATION", "String", "vkx86_32_fw.vkim") +
                     param("BOARD_TYPE", "String", "VKx86_32") +
                     param("VERSION", "Version", "5.2") + param("FIRMWARE", "UInt32", "1") +
                     param("SEQUENCE", "UInt32", "1") + param("HW_TYPE", "UInt32", "0") +
                     param("FW_COMPATIBILITY_ID", "UInt32", "4")) +
           entry("ID=\"FIRMWARE[2]\"", param("LOCATION", "String", "vk7120_fw.vkim") +
                                           param("BOARD_TYPE", "String", "VK7120") +
                                           param("VERSION", "Version", "5.4.1") +
                                           param("FIRMWARE", "UInt32", "1") +
                                           param("SEQUENCE", "UInt32", "1")) +
           entry("ID=\"FPGAFIRMWARE\"",
                 param("LOCATION", "String", "vk7120_fpga.vkim") +
                     param("BOARD_TYPE", "String", "VK7120") + param("VERSION", "Version", "5.3") +
                     param("FIRMWARE", "UInt32", "3") + param("SEQUENCE", "UInt32", "2") +
                     param("CHIP_TYPE", "UInt32", "7")) +
           entry("ID=\"1100\" Descr=\"BUSFPGA\"",
                 param("LOCATION", "String", "vk9108_bus.bit") +
                     param("BOARD_TYPE", "String", "VK9108") + param("VERSION", "Version", "1.3") +
                     param("FIRMWARE", "UInt32", "3") + param("SEQUENCE", "UInt32", "2") +
                     param("TARGET_FILE_NAME", "String", "vk9108.bit")) +
           entry("ID=\"BOOTLOADER\"", param("LOCATION", "String", "vkx86_32_boot.bin") +
                                          param("BOARD_TYPE", "String", "VKx86_32") +
                                          param("VERSION", "Version", "2.7") +
                                          param("FIRMWARE", "UInt32", "10") +
                                          param("TARGET_FILE_NAME", "String", "boot.bin")) +
           "  <ITEM ID=\"1001\" Descr=\"NOTES\">\n" +
           "    <PARAM ID=\"1002\" Descr=\"Text\" Type=\"String\"><VALUE>Release 24.1</VALUE>"
           "</PARAM>\n  </ITEM>\n"
           "</ITEM>\n";
}

}  // namespace

void writeFirmwareFolder(const std::string& folder, const std::string& libraryVersion) {
    std::filesystem::create_directories(folder);
    writeFileText(folder + "/release.xml", description(libraryVersion));
    const std::string content(128, '\x5A');
    for (const char* name :
         {"vkx86_32_fw.vkim", "vk7120_fw.vkim", "vk9108_bus.bit", "vkx86_32_boot.bin"}) {
        writeFileText(folder + "/" + name, content);
    }
}
