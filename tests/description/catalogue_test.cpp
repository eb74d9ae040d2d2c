// The firmware catalogue over real firmware folders: the records of every kind of entry, the
// update files (missing, refused, outside the folder) and their checksums, the container's
// firmware version, the host events and the container version check.
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "description/firmware_catalogue.h"
#include "description_documents.h"
#include "interface/module_state.h"
#include "reporting/format.h"
#include "sim/images.h"
#include "support/host_recorder.h"
#include "support/temp_folder.h"
#include "utf8_conversion.h"

namespace {

using docs::description;
using docs::entry;
using docs::param;

std::string uint32Param(const std::string& id, uint32_t value) {
    return param(id, "UInt32", std::to_string(value));
}

// 100 bytes that start with firstBytes and hold 0xA1B2C3D4 at bytes 60 to 63.
std::string withHeaderChecksum(const std::string& firstBytes = "ABCD") {
    std::string bytes(100, '\x11');
    return bytes.replace(0, firstBytes.size(), firstBytes).replace(60, 4, "\xA1\xB2\xC3\xD4");
}

// A record in one line: what a description gives and what the catalogue makes of it.
std::string describe(const UpdateFileRecord& r) {
    std::string text = wideToUtf8(r.FileName) + ", " + r.TypeName.str() + ", " + r.BoardType.str() +
                       " " + r.Version.getAsString().str() + ", type " + std::to_string(r.FwType) +
                       ", pass " + std::to_string(r.UpdatePass);
    text += std::string(r.IsBusFpga ? ", bus FPGA" : "") + (r.IsBootLoader ? ", boot" : "") +
            (r.IsSelected ? ", selected" : "") + (r.IsMissing ? ", missing" : "");
    text += ", IDs";
    for (uint32_t id : {r.HwType, r.FwCompabilityId, r.MinHwCompatibilityId, r.MaxHwCompatibilityId,
                        r.MinSwCompatibilityId, r.MaxSwCompatibilityId}) {
        text += " " + std::to_string(int32_t(id));
    }
    return text + (r.FpgaType != 0 ? ", chip " + std::to_string(r.FpgaType) : "") +
           (r.TargetFileName.isEmpty() ? "" : ", to " + r.TargetFileName.str()) +
           (r.OsType.isEmpty() ? "" : ", " + r.OsType.str());
}

class Catalogue : public testing::Test {
  protected:
    Catalogue() {
        moduleState().fileCatalogue.clear();
        moduleState().outputToHost = false;
        options.firmwareFolder = folder.wideFile("");
        options.descriptionFile = L"fw.xml";
    }
    // Writes the description (unless xml is empty) and reads it.
    Captured<int32_t> read(const std::string& xml) {
        if (!xml.empty()) {
            folder.write("fw.xml", xml);
        }
        return captureOutput(
            [&] { return readFirmwareDescription(errors, options, firmwareVersion); });
    }
    const std::vector<UpdateFileRecord>& records() const { return moduleState().fileCatalogue; }
    TempFolder folder;
    VkTCmdOptions options;
    VkCErrorListPool errors;
    VkCVersion firmwareVersion;
};

TEST_F(Catalogue, RecordsOfEveryKindAndTheirEvents) {
    HostRecorder host;
    const std::string optional =
        param("OS_TYPE", "String", "Linux") + uint32Param("HW_TYPE", 3) +
        uint32Param("FW_COMPATIBILITY_ID", 4) + uint32Param("MIN_HW_COMPATIBILITY_ID", 5) +
        uint32Param("MAX_HW_COMPATIBILITY_ID", 6) + uint32Param("MIN_SW_COMPATIBILITY_ID", 7) +
        uint32Param("MAX_SW_COMPATIBILITY_ID", 8);
    const std::string target = param("TARGET_FILE_NAME", "String", "t.bin");
    options.updateFirmware = true;
    options.updateBusFpga = true;
    const auto run = read(
        description({entry("FIRMWARE", 1, "a.bin", "VK7101", "2.1", 1, 1, optional),
                     entry("OTHER", 1, "other.bin", "VK7101", "9.9", 1, 7),
                     entry("FIRMWARE", 2, "b.bin", "VK7102", "2.2", 2, 1),
                     entry("FPGAFIRMWARE", 1, "c.bit", "VK7101", "4.0", 3, 2,
                           uint32Param("CHIP_TYPE", 77) + target),
                     entry("BUSFPGA", 1, "d.bit", "VK7101", "5.0", 3, 1, target),
                     entry("BOOTLOADER", 1, "e.bin", "VKx86_32", "6.0.1", 10, 9, target),
                     "<ITEM ID=\"FIRMWARE[3]\">" + param("LOCATION", "String", "f.bin") +
                         param("VERSION", "Version", "1.0") + param("FIRMWARE", "String", "1") +
                         uint32Param("SEQUENCE", 2) + param("HW_TYPE", "String", "3") +
                         uint32Param("MIN_SW_COMPATIBILITY_ID", 9) + "</ITEM>"}));
    ASSERT_EQ(run.result, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    // Optional values are looked up first; an absent value or one of another type (the last
    // entry) is one error each, and the entry stays.
    EXPECT_EQ(errors.getErrorCount(), 3u);
    EXPECT_EQ(moduleState().fileCatalogue.size(), 6u);
    EXPECT_EQ(moduleState().maxUpdatePass, 2u) << "the boot loader's SEQUENCE is not read";
    std::vector<std::string> described(records().size());
    std::transform(records().begin(), records().end(), described.begin(), describe);
    EXPECT_EQ(described,
              std::vector<std::string>(
                  {"a.bin, Firmware, VK7101 2.1, type 1, pass 1, selected, missing, "
                   "IDs 3 4 5 6 7 8, Linux",
                   "b.bin, Factory firmware, VK7102 2.2, type 2, pass 1, selected, "
                   "missing, IDs 0 0 -1 -1 -1 -1",
                   "c.bit, FPGA firmware, VK7101 4.0, type 3, pass 2, missing, "
                   "IDs 0 0 -1 -1 -1 -1, chip 77",
                   "d.bit, FPGA file, VK7101 5.0, type 3, pass 1, bus FPGA, selected, "
                   "missing, IDs 0 0 -1 -1 -1 -1, to t.bin",
                   "e.bin, BootLoader, VKx86_32 6.0.1, type 10, pass 0, boot, "
                   "selected, missing, IDs 0 0 -1 -1 -1 -1, to t.bin",
                   "f.bin, Unknown,  1.0, type 0, pass 2, selected, missing, IDs 0 0 -1 -1 9 -1"}));
    std::vector<uint32_t> codes(7, EvCatalogueEntry);
    codes[0] = EvCatalogueCount;
    EXPECT_EQ(host.codes(), codes);
    EXPECT_EQ(host.withCode(EvCatalogueCount).at(0).value1, 6u);
    EXPECT_EQ(host.withCode(EvCatalogueEntry).at(2).maxUpdatePass, 2u) << "final in every one";
}

TEST_F(Catalogue, UpdateFilesInsideTheFolderOnly) {
    TempFolder outside;
    const std::string secret = outside.write("secret.bin", withHeaderChecksum());
    const std::string outsideName = outside.path().substr(outside.path().rfind('/') + 1);
    folder.write("inner/file.bin", withHeaderChecksum());
    folder.write("sub/x.bin", "x");
    folder.write("empty.bin", "");
    ASSERT_EQ(::mkfifo(folder.file("pipe.bin").c_str(), 0600), 0);
    // Readable: two names of one file ("\" separates too) and an empty file. Missing: the folder
    // itself, a folder, a pipe, anything outside the folder or with a ".." component.
    std::vector<std::string> locations = {
        "inner/file.bin",          "empty.bin", "missing.bin", "", "sub", "pipe.bin",
        "inner/../inner/file.bin", secret};
    locations.insert(locations.begin() + 1, "inner\\file.bin");
    locations.insert(locations.end(),
                     {"C:\\firmware\\file.bin", "../" + outsideName + "/secret.bin",
                      "inner\\..\\..\\" + outsideName + "\\secret.bin",
                      "inner/file.bin" + std::string(5000, 'a')});
    std::vector<std::string> entries;
    for (const std::string& location : locations) {
        entries.push_back(entry("FIRMWARE", int(entries.size() + 1), location, "V", "1", 1, 1));
    }
    const auto run = read(description(entries));
    ASSERT_EQ(run.result, 0);
    ASSERT_EQ(records().size(), locations.size());
    for (size_t i = 0; i < records().size(); ++i) {
        SCOPED_TRACE(locations[i].substr(0, 40));
        EXPECT_EQ(records()[i].FileName, wide(locations[i].substr(0, 4096)));
        EXPECT_EQ(records()[i].IsMissing, i > 2);
        EXPECT_EQ(records()[i].FileSize, i < 2 ? 100u : 0u);
        EXPECT_EQ(records()[i].Crc32Checksum, i < 2 ? 0xA1B2C3D4u : 0u);
    }
    EXPECT_THAT(run.err, testing::HasSubstr("WARNING: The update file " + folder.file("sub") +
                                            " is refused: it is a folder, not a regular file. It "
                                            "counts as missing.\n"));
}

TEST_F(Catalogue, ChecksumByTypeBoardAndEmbeddedInventory) {
    std::string problem;
    vksim::ElfInventory inventory;
    ASSERT_TRUE(vksim::writeElfImage(folder.file("elf.bin"), "3.2", 1u, 4096, problem) &&
                vksim::readElfInventory(folder.file("elf.bin"), inventory, problem));
    const uint32_t header = 0xA1B2C3D4;
    const uint32_t unknown = kUnknownChecksum;
    const uint32_t crc = inventory.payloadCrc;
    struct Case {
        bool busFpga;
        const char* boardType;
        uint32_t fwType, hwType;
        const char* file;  // the first bytes of a file with the header checksum; "elf"
        uint32_t checksum;
    };
    // Types 1, 2, 5 to 9 and 11 to 14 carry the checksum in their header, 3 and 4 unless bus
    // FPGA; missing header bytes count as zero. "ELF" at bytes 1 to 3, or these board kinds:
    // the checksum of the embedded inventory, 0 without one.
    std::vector<Case> cases = {
        {true, "VK7101", 3, 0, "", unknown},     {true, "VK7101", 4, 0, "", unknown},
        {true, "VK7101", 1, 0, "", header},      {false, "VK7101", 1, 0, "short", 0xA1B20000},
        {false, "VK7101", 1, 0, "ABCD", 0},      {false, "VK7101", 10, 0, "XELF", 0},
        {false, "VK7101", 1, 0, "XELf", header}, {false, "VK7101", 1, 0, "XEL", header},
        {false, "VKx86_32", 14, 0, "", 0},       {false, "VKx86_32", 14, 1, "", header},
        {false, "VKx86_32", 1, 0, "", header},   {false, "VK7101", 14, 3, "", 0},
        {false, "VK7101", 1, 3, "", 0},          {false, "VK7101", 2, 3, "", 0},
        {false, "VK7101", 5, 3, "", header},     {false, "VK7101", 1, 2, "", header},
        {false, "VK7102", 1, 3, "", header},     {false, "vk7101", 1, 3, "", header},
        {false, "VK7101", 1, 0, "elf", crc},     {true, "VK7101", 3, 0, "elf", crc}};
    for (uint32_t type = 0; type < 34; ++type) {
        const bool carries = type < 15 && type != 0 && type != 10;
        cases.push_back({false, "VK7101", type, 0, "", carries ? header : unknown});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.boardType) + " type " + std::to_string(c.fwType) + " HW " +
                     std::to_string(c.hwType) + " " + c.file + (c.busFpga ? " bus FPGA" : ""));
        const std::string file = c.file;
        folder.write("update.bin", file == "elf"     ? folder.read("elf.bin")
                                   : file == "short" ? withHeaderChecksum().substr(0, 62)
                                   : file == "ABCD"
                                       ? file
                                       : withHeaderChecksum(file.empty() ? "ABCD" : file));
        const auto run = read(
            description({entry(c.busFpga ? "BUSFPGA" : "FIRMWARE", 1, "update.bin", c.boardType,
                               "1.0", c.fwType, 1, uint32Param("HW_TYPE", c.hwType))}));
        ASSERT_EQ(run.result, 0) << run.err;
        EXPECT_EQ(records().at(0).Crc32Checksum, c.checksum);
    }
}

TEST_F(Catalogue, FirmwareVersionOfTheFirstFirmwareProper) {
    const std::string busFpga = entry("BUSFPGA", 1, "b", "VK7101", "1.2", 3, 1);
    const std::string bootLoader = entry("BOOTLOADER", 1, "c", "VK7101", "1.3", 10, 1);
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{entry("FIRMWARE", 1, "a", "VKx86_32", "1.1", 10, 1), busFpga, bootLoader,
          entry("FIRMWARE", 2, "d", "VK7101", "2.1", 1, 1),
          entry("FIRMWARE", 3, "e", "V", "3", 1, 1)},
         "2.1"},
        {{entry("FIRMWARE", 1, "a", "VKx86_32", "1.1", 14, 1)}, "1.1"},
        {{busFpga, bootLoader}, "0.0"},
    };
    for (const auto& [entries, version] : cases) {
        firmwareVersion = VkCVersion("7.7");
        ASSERT_EQ(read(description(entries)).result, 0);
        EXPECT_EQ(firmwareVersion.getAsString(), version);
    }
}

TEST_F(Catalogue, DescriptionThatCannotBeReadLeavesTheCatalogue) {
    HostRecorder host;
    moduleState().fileCatalogue.resize(7);
    EXPECT_EQ(read("").result, -1) << "no description file";
    EXPECT_EQ(read("<ITEM ID=\"1000\"></ITEM>").result, -1) << "an invalid description";
    EXPECT_EQ(moduleState().fileCatalogue.size(), 7u);
    EXPECT_TRUE(host.codes().empty());
    // Entities come from the firmware folder, also for a description in a folder below it.
    folder.write("inventory.dtd", "<!ENTITY loc \"fw1.bin\">");
    options.descriptionFile = L"sub/desc.xml";
    folder.write("sub/desc.xml", "<!DOCTYPE ITEM SYSTEM \"" + folder.file("inventory.dtd") +
                                     "\">\n" +
                                     description({entry("FIRMWARE", 1, "&loc;", "V", "1", 1, 1)}));
    ASSERT_EQ(read("").result, 0);
    EXPECT_EQ(records().at(0).FileName, L"fw1.bin");
}

// Only a description made for exactly this library version is read; any other ends the
// process with status 1 and the message.
TEST_F(Catalogue, ContainerOfAnotherVersionEndsTheProcess) {
    const std::string version = VK_LIB_VERSION_TEXT;
    const std::string root = "<ITEM ID=\"1000\" Descr=\"C\">";
    for (const std::string& xml :
         {description({}, "0.9.7"), description({}, version + ".1"),
          root + "<ITEM ID=\"INFO\"></ITEM></ITEM>",
          root + param("VERSION", "Version", version) + "</ITEM>",
          root + "<ITEM ID=\"INFO\">" + param("VERSION", "String", version) + "</ITEM></ITEM>"}) {
        folder.write("fw.xml", xml);
        EXPECT_EXIT(
            {
                std::fflush(stdout);
                ::dup2(STDERR_FILENO, STDOUT_FILENO);  // where the death test looks
                readFirmwareDescription(errors, options, firmwareVersion);
            },
            testing::ExitedWithCode(1),
            testing::HasSubstr("This firmware cannot be processed by this version"))
            << xml;
    }
}

}  // namespace
