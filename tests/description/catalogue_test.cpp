// The firmware catalogue over real firmware folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "catalogue_test_support.h"
#include "interface/module_state.h"
#include "reporting/format.h"

namespace {

using namespace description_test;

// A file of 100 bytes whose bytes 60 to 63 hold 0xA1B2C3D4 and which is no ELF file.
std::string fileWithHeaderChecksum() {
    std::string bytes(100, '\x11');
    bytes.replace(0, 4, "ABCD");
    bytes.replace(60, 4, "\xA1\xB2\xC3\xD4");
    return bytes;
}

constexpr uint32_t kHeaderChecksum = 0xA1B2C3D4;

class CatalogueTest : public CatalogueFixture {
  protected:
    const std::vector<UpdateFileRecord>& catalogue() const { return moduleState().fileCatalogue; }
};

TEST_F(CatalogueTest, EntriesInDescriptionOrder) {
    std::vector<std::string> fpga = entryParams("fpga.bit", "VK7101", "4.0", 3, 2);
    fpga.push_back(uint32Param("CHIP_TYPE", 77));
    fpga.push_back(stringParam("TARGET_FILE_NAME", "ignored"));
    std::vector<std::string> bus = entryParams("bus.bit", "VK7101", "5.0", 3, 1);
    bus.push_back(stringParam("TARGET_FILE_NAME", "bus_target.bit"));
    std::vector<std::string> boot = entryParams("boot.bin", "VKx86_32", "6.0", 10, 9);
    boot.push_back(stringParam("TARGET_FILE_NAME", "boot_target.bin"));
    writeDescription(
        descriptionXml(libraryVersionText(),
                       {entryXml("FIRMWARE", 1, entryParams("fw1.bin", "VK7101", "2.1", 1, 1)),
                        entryXml("FIRMWARE", 2, entryParams("fw2.bin", "VK7102", "2.2", 2, 1)),
                        entryXml("FPGAFIRMWARE", 1, fpga), entryXml("BUSFPGA", 1, bus),
                        entryXml("BOOTLOADER", 1, boot),
                        entryXml("OTHER", 1, entryParams("other.bin", "VK7101", "9.9", 1, 7))}));
    ASSERT_EQ(readDescription(), 0) << capturedErrors;
    EXPECT_EQ(capturedOutput + capturedErrors, "");
    EXPECT_EQ(errors.getErrorCount(), 0u);
    ASSERT_EQ(moduleState().fileCount, 5u);
    ASSERT_EQ(catalogue().size(), 5u);
    const auto& c = catalogue();
    const wchar_t* names[] = {L"fw1.bin", L"fw2.bin", L"fpga.bit", L"bus.bit", L"boot.bin"};
    const char* types[] = {"Firmware", "Factory firmware", "FPGA firmware", "FPGA file",
                           "BootLoader"};
    const uint32_t fwTypes[] = {1, 2, 3, 3, 10};
    const uint32_t passes[] = {1, 1, 2, 1, 0};
    for (size_t i = 0; i < c.size(); ++i) {
        EXPECT_EQ(c[i].FileName, names[i]) << i;
        EXPECT_EQ(c[i].TypeName, types[i]) << i;
        EXPECT_EQ(c[i].FwType, fwTypes[i]) << i;
        EXPECT_EQ(c[i].UpdatePass, passes[i]) << i;
    }
    EXPECT_EQ(c[1].BoardType, "VK7102");
    EXPECT_TRUE(c[1].Version == VkCVersion("2.2"));
    EXPECT_EQ(c[2].FpgaType, 77u);
    EXPECT_EQ(c[2].TargetFileName, "") << "only bus FPGA and boot loader entries read it";
    EXPECT_EQ(c[3].TargetFileName, "bus_target.bit");
    EXPECT_EQ(c[4].TargetFileName, "boot_target.bin");
    EXPECT_EQ(c[0].FpgaType, 0u);
    EXPECT_TRUE(c[3].IsBusFpga);
    EXPECT_FALSE(c[3].IsBootLoader);
    EXPECT_TRUE(c[4].IsBootLoader);
    EXPECT_FALSE(c[4].IsBusFpga);
    EXPECT_FALSE(c[0].IsBusFpga || c[0].IsBootLoader || c[2].IsBusFpga || c[2].IsBootLoader);
    EXPECT_EQ(moduleState().maxUpdatePass, 2u) << "the boot loader's SEQUENCE is not read";
}

TEST_F(CatalogueTest, OptionalValuesAndDefaults) {
    std::vector<std::string> full = entryParams("a.bin", "VK7101", "1.0", 1, 1);
    for (const auto& [id, value] :
         std::vector<std::pair<std::string, uint32_t>>{{"HW_TYPE", 3},
                                                       {"FW_COMPATIBILITY_ID", 4},
                                                       {"MIN_HW_COMPATIBILITY_ID", 5},
                                                       {"MAX_HW_COMPATIBILITY_ID", 6},
                                                       {"MIN_SW_COMPATIBILITY_ID", 7},
                                                       {"MAX_SW_COMPATIBILITY_ID", 8}}) {
        full.push_back(uint32Param(id, value));
    }
    full.push_back(stringParam("OS_TYPE", "Linux"));
    writeDescription(
        descriptionXml(libraryVersionText(),
                       {entryXml("FIRMWARE", 1, full),
                        entryXml("FIRMWARE", 2, entryParams("b.bin", "VK7101", "1.0", 1, 1))}));
    ASSERT_EQ(readDescription(), 0) << capturedErrors;
    const UpdateFileRecord& given = catalogue().at(0);
    EXPECT_EQ(given.HwType, 3u);
    EXPECT_EQ(given.FwCompabilityId, 4u);
    EXPECT_EQ(given.MinHwCompatibilityId, 5u);
    EXPECT_EQ(given.MaxHwCompatibilityId, 6u);
    EXPECT_EQ(given.MinSwCompatibilityId, 7u);
    EXPECT_EQ(given.MaxSwCompatibilityId, 8u);
    EXPECT_EQ(given.OsType, "Linux");
    const UpdateFileRecord& defaults = catalogue().at(1);
    EXPECT_EQ(defaults.HwType, 0u);
    EXPECT_EQ(defaults.FwCompabilityId, 0u);
    EXPECT_EQ(defaults.MinHwCompatibilityId, 0xFFFFFFFFu);
    EXPECT_EQ(defaults.MaxHwCompatibilityId, 0xFFFFFFFFu);
    EXPECT_EQ(defaults.MinSwCompatibilityId, 0xFFFFFFFFu);
    EXPECT_EQ(defaults.MaxSwCompatibilityId, 0xFFFFFFFFu);
    EXPECT_EQ(defaults.OsType, "");
    EXPECT_FALSE(defaults.IsNeeded);
    EXPECT_EQ(errors.getErrorCount(), 0u) << "optional values are looked up first";
}

TEST_F(CatalogueTest, AbsentRequiredValueKeepsTheEntry) {
    writeDescription(descriptionXml(
        libraryVersionText(),
        {entryXml("FIRMWARE", 1, {stringParam("LOCATION", "a.bin"), versionParam("1.0")})}));
    ASSERT_EQ(readDescription(), 0);
    ASSERT_EQ(catalogue().size(), 1u);
    EXPECT_EQ(catalogue()[0].BoardType, "");
    EXPECT_EQ(catalogue()[0].FwType, 0u);
    EXPECT_EQ(catalogue()[0].TypeName, "Unknown");
    EXPECT_GT(errors.getErrorCount(), 0u) << "the inventory library reports the absent values";
}

TEST_F(CatalogueTest, ValueOfAnotherTypeReadsAsAbsent) {
    writeDescription(descriptionXml(
        libraryVersionText(),
        {entryXml("FIRMWARE", 1,
                  {stringParam("LOCATION", "a.bin"), stringParam("BOARD_TYPE", "VK7101"),
                   versionParam("1.0"), stringParam("FIRMWARE", "1"), uint32Param("SEQUENCE", 2),
                   stringParam("HW_TYPE", "3"), uint32Param("MIN_SW_COMPATIBILITY_ID", 9)})}));
    ASSERT_EQ(readDescription(), 0);
    const UpdateFileRecord& record = catalogue().at(0);
    EXPECT_EQ(record.FwType, 0u) << "a FIRMWARE text is no firmware type";
    EXPECT_EQ(record.HwType, 0u);
    EXPECT_EQ(record.UpdatePass, 2u);
    EXPECT_EQ(record.MinSwCompatibilityId, 9u);
    EXPECT_EQ(errors.getErrorCount(), 2u) << "one error per value of the wrong type";
}

struct SelectionCase {
    bool firmware;
    bool fpgaFirmware;
    bool busFpga;
};

class SelectionTest : public CatalogueTest, public testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionTest, OptionsSelectTheirKinds) {
    options.updateFirmware = GetParam().firmware;
    options.updateFpgaFirmware = GetParam().fpgaFirmware;
    options.updateBusFpga = GetParam().busFpga;
    writeDescription(
        descriptionXml(libraryVersionText(),
                       {entryXml("FIRMWARE", 1, entryParams("a", "VK7101", "1.0", 1, 1)),
                        entryXml("FPGAFIRMWARE", 1, entryParams("b", "VK7101", "1.0", 3, 1)),
                        entryXml("BUSFPGA", 1, entryParams("c", "VK7101", "1.0", 3, 1)),
                        entryXml("BOOTLOADER", 1, entryParams("d", "VK7101", "1.0", 10, 1))}));
    ASSERT_EQ(readDescription(), 0);
    ASSERT_EQ(catalogue().size(), 4u);
    EXPECT_EQ(catalogue()[0].IsSelected, GetParam().firmware);
    EXPECT_EQ(catalogue()[1].IsSelected, GetParam().fpgaFirmware);
    EXPECT_EQ(catalogue()[2].IsSelected, GetParam().busFpga);
    EXPECT_TRUE(catalogue()[2].IsBusFpga) << "a bus FPGA entry stays one when not selected";
    EXPECT_TRUE(catalogue()[3].IsSelected) << "boot loaders are always selected";
    EXPECT_EQ(catalogue()[3].UpdatePass, 0u);
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, SelectionTest,
                         testing::Values(SelectionCase{false, false, false},
                                         SelectionCase{true, false, false},
                                         SelectionCase{false, true, false},
                                         SelectionCase{false, false, true},
                                         SelectionCase{true, true, true}));

TEST_F(CatalogueTest, MaxUpdatePassIsTheHighestSequence) {
    writeDescription(
        descriptionXml(libraryVersionText(),
                       {entryXml("FIRMWARE", 1, entryParams("a", "VK7101", "1.0", 1, 2)),
                        entryXml("FIRMWARE", 2, entryParams("b", "VK7101", "1.0", 1, 5)),
                        entryXml("BUSFPGA", 1, entryParams("c", "VK7101", "1.0", 3, 3)),
                        entryXml("BOOTLOADER", 1, entryParams("d", "VK7101", "1.0", 10, 9))}));
    moduleState().maxUpdatePass = 42;
    ASSERT_EQ(readDescription(), 0);
    EXPECT_EQ(moduleState().maxUpdatePass, 5u);
}

TEST_F(CatalogueTest, EmptyCatalogue) {
    moduleState().maxUpdatePass = 42;
    writeDescription(descriptionXml(libraryVersionText(), {}));
    ASSERT_EQ(readDescription(), 0);
    EXPECT_EQ(moduleState().fileCount, 0u);
    EXPECT_TRUE(catalogue().empty());
    EXPECT_EQ(moduleState().maxUpdatePass, 0u);
}

TEST_F(CatalogueTest, MissingAndPresentFiles) {
    folder.write("present.bin", fileWithHeaderChecksum());
    writeDescription(
        descriptionXml(libraryVersionText(),
                       {entryXml("FIRMWARE", 1, entryParams("missing.bin", "VK7101", "1.0", 1, 1)),
                        entryXml("FIRMWARE", 2, entryParams("present.bin", "VK7101", "1.0", 1, 1)),
                        entryXml("FIRMWARE", 3, entryParams("", "VK7101", "1.0", 1, 1)),
                        entryXml("FIRMWARE", 4, entryParams("sub", "VK7101", "1.0", 1, 1)),
                        entryXml("FIRMWARE", 5, entryParams("pipe.bin", "VK7101", "1.0", 1, 1))}));
    folder.write("sub/inner.bin", "x");
    ASSERT_EQ(::mkfifo((folder.path() + "/pipe.bin").c_str(), 0600), 0);
    ASSERT_EQ(readDescription(), 0);
    const auto& c = catalogue();
    EXPECT_TRUE(c[0].IsMissing);
    EXPECT_EQ(c[0].Crc32Checksum, 0u);
    EXPECT_EQ(c[0].FileSize, 0u);
    EXPECT_FALSE(c[1].IsMissing);
    EXPECT_EQ(c[1].Crc32Checksum, kHeaderChecksum);
    EXPECT_EQ(c[1].FileSize, 100u);
    EXPECT_TRUE(c[2].IsMissing) << "an empty LOCATION names the folder itself";
    EXPECT_TRUE(c[3].IsMissing) << "a folder is no update file";
    EXPECT_TRUE(c[4].IsMissing) << "a pipe is no update file";
    for (const char* name : {"sub", "pipe.bin"}) {
        const std::string kind = name == std::string("sub") ? "folder" : "pipe";
        EXPECT_NE(capturedErrors.find("WARNING: The update file " + folder.path() + "/" + name +
                                      " is refused: it is a " + kind +
                                      ", not a regular file. It counts as missing.\n"),
                  std::string::npos)
            << capturedErrors;
    }
}

TEST_F(CatalogueTest, BackslashesInLocationAreSeparators) {
    folder.write("fpga/io_board.bit", fileWithHeaderChecksum());
    writeDescription(descriptionXml(
        libraryVersionText(),
        {entryXml("FIRMWARE", 1, entryParams("fpga\\io_board.bit", "VK7101", "1.0", 1, 1))}));
    ASSERT_EQ(readDescription(), 0);
    EXPECT_FALSE(catalogue()[0].IsMissing);
    EXPECT_EQ(catalogue()[0].FileName, L"fpga\\io_board.bit") << "the name itself is kept";
    EXPECT_EQ(catalogue()[0].Crc32Checksum, kHeaderChecksum);
    EXPECT_EQ(catalogue()[0].FileSize, 100u);
}

TEST_F(CatalogueTest, LocationsOutsideTheFolderCountAsMissing) {
    TempFolder outside;
    const std::string outsideFile = outside.write("secret.bin", fileWithHeaderChecksum());
    folder.write("inner/file.bin", fileWithHeaderChecksum());
    const std::string outsideName = outside.path().substr(outside.path().rfind('/') + 1);
    const std::string escape = "../" + outsideName + "/secret.bin";
    const std::vector<std::string> locations = {
        outsideFile,                   // absolute
        "\\" + outsideFile.substr(1),  // absolute with the other separator
        escape,                        // climbs out
        "inner\\..\\..\\" + outsideName + "\\secret.bin",
        "inner/../inner/file.bin",  // any ".." is refused
        "C:\\firmware\\file.bin",   // a drive letter
    };
    std::vector<std::string> entries;
    for (size_t i = 0; i < locations.size(); ++i) {
        entries.push_back(
            entryXml("FIRMWARE", int(i + 1), entryParams(locations[i], "VK7101", "1.0", 1, 1)));
    }
    entries.push_back(
        entryXml("FIRMWARE", 99, entryParams("inner/file.bin", "VK7101", "1.0", 1, 1)));
    writeDescription(descriptionXml(libraryVersionText(), entries));
    ASSERT_EQ(readDescription(), 0);
    ASSERT_EQ(catalogue().size(), locations.size() + 1);
    for (size_t i = 0; i < locations.size(); ++i) {
        EXPECT_TRUE(catalogue()[i].IsMissing) << locations[i];
        EXPECT_EQ(catalogue()[i].Crc32Checksum, 0u) << locations[i];
        EXPECT_EQ(catalogue()[i].FileSize, 0u) << locations[i];
    }
    EXPECT_FALSE(catalogue().back().IsMissing);
}

TEST_F(CatalogueTest, LongLocationIsCut) {
    const std::string location(5000, 'a');
    writeDescription(
        descriptionXml(libraryVersionText(),
                       {entryXml("FIRMWARE", 1, entryParams(location, "VK7101", "1.0", 1, 1))}));
    ASSERT_EQ(readDescription(), 0);
    EXPECT_EQ(catalogue()[0].FileName, std::wstring(4096, L'a'));
    EXPECT_TRUE(catalogue()[0].IsMissing);
}

TEST_F(CatalogueTest, DescriptionThatCannotBeRead) {
    moduleState().fileCount = 7;
    EXPECT_EQ(readDescription(), -1) << "no description file";
    EXPECT_EQ(capturedErrors, "ERROR: Cannot read the description file " + folder.path() +
                                  "/fw.xml: No such file or directory.\n");
    writeDescription("<ITEM ID=\"1000\"></ITEM>");
    EXPECT_EQ(readDescription(), -1) << "an invalid description";
    EXPECT_EQ(moduleState().fileCount, 7u) << "the catalogue is left alone";
}

TEST_F(CatalogueTest, DescriptionFileNameIsJoinedToTheFolder) {
    options.descriptionFile = L"sub/desc.xml";
    folder.write("sub/desc.xml", descriptionXml(libraryVersionText(), {}));
    EXPECT_EQ(readDescription(), 0) << capturedErrors;
}

// A description whose LOCATION comes from an external entity declared with systemId.
std::string descriptionWithEntityLocation(const std::string& doctype) {
    return doctype + "\n" +
           descriptionXml(libraryVersionText(),
                          {entryXml("FIRMWARE", 1, entryParams("&loc;", "VK7101", "1.0", 1, 1))});
}

TEST_F(CatalogueTest, EntityOutsideTheFirmwareFolderNeverReachesTheCatalogue) {
    TempFolder outside;
    const std::string secret = outside.write("passwd", "root:x:0:0");
    writeDescription(
        descriptionWithEntityLocation("<!DOCTYPE ITEM [<!ENTITY loc SYSTEM \"" + secret + "\">]>"));
    EXPECT_EQ(readDescription(), -1);
    EXPECT_NE(capturedErrors.find("error: External entity \"" + secret +
                                  "\" is refused: only files inside the firmware folder "),
              std::string::npos)
        << capturedErrors;
    EXPECT_EQ((capturedOutput + capturedErrors).find("root:x"), std::string::npos);
    EXPECT_TRUE(catalogue().empty());
}

// The maker's tools put the DTD beside the description.
TEST_F(CatalogueTest, DtdBesideTheDescriptionIsRead) {
    folder.write("inventory.dtd", "<!ENTITY loc \"fw1.bin\">");
    writeDescription(descriptionWithEntityLocation("<!DOCTYPE ITEM SYSTEM \"inventory.dtd\">"));
    ASSERT_EQ(readDescription(), 0) << capturedErrors;
    ASSERT_EQ(catalogue().size(), 1u);
    EXPECT_EQ(catalogue()[0].FileName, L"fw1.bin");
}

}  // namespace
