// Checksums of update files and the container's firmware version.
#include "description/update_file_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue_test_support.h"
#include "interface/module_state.h"
#include "sim/Images.h"

namespace {

using namespace description_test;

constexpr uint32_t kHeaderChecksum = 0xA1B2C3D4;

std::string fileWithHeaderChecksum(const std::string& firstBytes = "ABCD") {
    std::string bytes(100, '\x11');
    bytes.replace(0, firstBytes.size(), firstBytes);
    bytes.replace(60, 4, "\xA1\xB2\xC3\xD4");
    return bytes;
}

class ChecksumTest : public CatalogueFixture {
  protected:
    // Reads a description of one entry for the file "update.bin" and gives its checksum.
    uint32_t checksumOf(const std::string& kind, const std::string& boardType, uint32_t fwType,
                        const std::string& fileBytes, uint32_t hwType = 0) {
        folder.write("update.bin", fileBytes);
        return checksumOfWrittenFile(kind, boardType, fwType, hwType);
    }

    uint32_t checksumOfWrittenFile(const std::string& kind, const std::string& boardType,
                                   uint32_t fwType, uint32_t hwType = 0) {
        std::vector<std::string> params = entryParams("update.bin", boardType, "1.0", fwType, 1);
        params.push_back(uint32Param("HW_TYPE", hwType));
        writeDescription(descriptionXml(libraryVersionText(), {entryXml(kind, 1, params)}));
        EXPECT_EQ(readDescription(), 0) << capturedErrors;
        EXPECT_EQ(moduleState().fileCatalogue.size(), 1u);
        return moduleState().fileCatalogue.empty() ? 0xDEADBEEF
                                                   : moduleState().fileCatalogue[0].Crc32Checksum;
    }
};

struct TypeRuleCase {
    uint32_t fwType;
    bool busFpga;
    bool headerChecksum;  // else the unknown-checksum marker
};

class ChecksumByTypeTest : public ChecksumTest, public testing::WithParamInterface<TypeRuleCase> {};

TEST_P(ChecksumByTypeTest, FollowsTheTypeMask) {
    const TypeRuleCase& c = GetParam();
    const uint32_t checksum = checksumOf(c.busFpga ? "BUSFPGA" : "FIRMWARE", "VK7101", c.fwType,
                                         fileWithHeaderChecksum());
    EXPECT_EQ(checksum, c.headerChecksum ? kHeaderChecksum : kUnknownChecksum)
        << "type " << c.fwType << (c.busFpga ? " bus FPGA" : "");
}

// 0x7BE6: types 1, 2, 5, 6, 7, 8, 9, 11, 12, 13, 14; types 3 and 4 unless bus FPGA.
INSTANTIATE_TEST_SUITE_P(
    AllTypes, ChecksumByTypeTest,
    testing::Values(
        TypeRuleCase{0, false, false}, TypeRuleCase{1, false, true}, TypeRuleCase{2, false, true},
        TypeRuleCase{3, false, true}, TypeRuleCase{4, false, true}, TypeRuleCase{5, false, true},
        TypeRuleCase{6, false, true}, TypeRuleCase{7, false, true}, TypeRuleCase{8, false, true},
        TypeRuleCase{9, false, true}, TypeRuleCase{10, false, false}, TypeRuleCase{11, false, true},
        TypeRuleCase{12, false, true}, TypeRuleCase{13, false, true}, TypeRuleCase{14, false, true},
        TypeRuleCase{15, false, false}, TypeRuleCase{31, false, false},
        TypeRuleCase{32, false, false}, TypeRuleCase{33, false, false},
        TypeRuleCase{3, true, false}, TypeRuleCase{4, true, false}, TypeRuleCase{1, true, true},
        TypeRuleCase{10, true, false}));

TEST_F(ChecksumTest, ShortFileCountsMissingBytesAsZero) {
    std::string bytes(62, '\x11');
    bytes[60] = '\xAB';
    bytes[61] = '\xCD';
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 1, bytes), 0xABCD0000u);
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 1, std::string(10, '\x11')), 0u);
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 1, ""), 0u);
    EXPECT_EQ(moduleState().fileCatalogue[0].FileSize, 0u);
    EXPECT_FALSE(moduleState().fileCatalogue[0].IsMissing) << "an empty file exists";
}

TEST_F(ChecksumTest, ElfFileWithoutInventoryHasChecksumZero) {
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 1,
                         fileWithHeaderChecksum("\x7F"
                                                "ELF")),
              0u);
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 10,
                         fileWithHeaderChecksum("\x7F"
                                                "ELF")),
              0u);
    EXPECT_EQ(checksumOf("BUSFPGA", "VK7101", 3,
                         fileWithHeaderChecksum("\x7F"
                                                "ELF")),
              0u);
}

TEST_F(ChecksumTest, ElfFileTakesItsChecksumFromTheEmbeddedInventory) {
    const std::string path = folder.path() + "/update.bin";
    std::string error;
    ASSERT_TRUE(vksim::writeElfImage(path, "3.2", 1u, 4096, error)) << error;
    vksim::ElfInventory inventory;
    ASSERT_TRUE(vksim::readElfInventory(path, inventory, error)) << error;
    ASSERT_NE(inventory.payloadCrc, 0u);
    EXPECT_EQ(checksumOfWrittenFile("FIRMWARE", "VK7101", 1), inventory.payloadCrc);
    EXPECT_EQ(errors.getEntryCount(), 0u) << errors.getErrorText(0).c_str();
    EXPECT_EQ(checksumOfWrittenFile("BUSFPGA", "VK7101", 3), inventory.payloadCrc)
        << "the embedded inventory wins over every type rule";
}

TEST_F(ChecksumTest, FirstByteOfTheElfMagicIsNotLookedAt) {
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 1, fileWithHeaderChecksum("XELF")), 0u);
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 1,
                         fileWithHeaderChecksum("\x7F"
                                                "ELf")),
              kHeaderChecksum);
    EXPECT_EQ(checksumOf("FIRMWARE", "VK7101", 1,
                         fileWithHeaderChecksum("\x7F"
                                                "EL")),
              kHeaderChecksum);
}

struct BoardRuleCase {
    const char* boardType;
    uint32_t hwType;
    uint32_t fwType;
    bool embeds;
};

class EmbeddedInventoryRuleTest : public ChecksumTest,
                                  public testing::WithParamInterface<BoardRuleCase> {};

TEST_P(EmbeddedInventoryRuleTest, BoardKindsThatCarryAnInventory) {
    const BoardRuleCase& c = GetParam();
    UpdateFileRecord record;
    record.BoardType = c.boardType;
    record.HwType = c.hwType;
    record.FwType = c.fwType;
    const unsigned char plain[4] = {'A', 'B', 'C', 'D'};
    EXPECT_EQ(embedsInventory(plain, record), c.embeds);
    // Such a file without a readable inventory has checksum 0, the others their header word.
    const uint32_t checksum =
        checksumOf("FIRMWARE", c.boardType, c.fwType, fileWithHeaderChecksum(), c.hwType);
    EXPECT_EQ(checksum, c.embeds ? 0u : kHeaderChecksum);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EmbeddedInventoryRuleTest,
    testing::Values(BoardRuleCase{"VKx86_32", 0, 14, true}, BoardRuleCase{"VKx86_32", 1, 14, false},
                    BoardRuleCase{"VKx86_32", 0, 1, false}, BoardRuleCase{"VK7101", 3, 14, true},
                    BoardRuleCase{"VK7101", 3, 1, true}, BoardRuleCase{"VK7101", 3, 2, true},
                    BoardRuleCase{"VK7101", 3, 5, false}, BoardRuleCase{"VK7101", 2, 1, false},
                    BoardRuleCase{"VK7102", 3, 1, false}, BoardRuleCase{"vk7101", 3, 1, false}));

TEST(EmbedsInventory, ElfMagicInBytesOneToThree) {
    UpdateFileRecord record;
    const unsigned char elf[4] = {0x7F, 'E', 'L', 'F'};
    const unsigned char anyFirst[4] = {0, 'E', 'L', 'F'};
    const unsigned char other[4] = {0x7F, 'E', 'L', 'G'};
    EXPECT_TRUE(embedsInventory(elf, record));
    EXPECT_TRUE(embedsInventory(anyFirst, record));
    EXPECT_FALSE(embedsInventory(other, record));
}

class FirmwareVersionTest : public CatalogueFixture {
  protected:
    VkCVersion versionFor(const std::vector<std::string>& entries) {
        firmwareVersion = VkCVersion("7.7");
        writeDescription(descriptionXml(libraryVersionText(), entries));
        EXPECT_EQ(readDescription(), 0) << capturedErrors;
        return firmwareVersion;
    }
};

TEST_F(FirmwareVersionTest, FirstFileThatIsFirmwareProper) {
    EXPECT_EQ(versionFor({entryXml("FIRMWARE", 1, entryParams("a", "VKx86_32", "1.1", 10, 1)),
                          entryXml("BUSFPGA", 1, entryParams("b", "VK7101", "1.2", 3, 1)),
                          entryXml("BOOTLOADER", 1, entryParams("c", "VK7101", "1.3", 10, 1)),
                          entryXml("FIRMWARE", 2, entryParams("d", "VK7101", "2.1", 1, 1)),
                          entryXml("FIRMWARE", 3, entryParams("e", "VK7101", "3.1", 1, 1))})
                  .getAsString(),
              "2.1");
}

TEST_F(FirmwareVersionTest, OtherTypesOfVKx86_32Count) {
    EXPECT_EQ(versionFor({entryXml("FIRMWARE", 1, entryParams("a", "VKx86_32", "1.1", 14, 1)),
                          entryXml("FIRMWARE", 2, entryParams("b", "VK7101", "2.1", 1, 1))})
                  .getAsString(),
              "1.1");
    EXPECT_EQ(versionFor({entryXml("FPGAFIRMWARE", 1, entryParams("a", "VK7101", "4.2", 10, 1))})
                  .getAsString(),
              "4.2")
        << "type 10 is passed over only for VKx86_32";
}

TEST_F(FirmwareVersionTest, NoneGivesTheEmptyVersion) {
    EXPECT_EQ(versionFor({entryXml("BUSFPGA", 1, entryParams("b", "VK7101", "1.2", 3, 1)),
                          entryXml("BOOTLOADER", 1, entryParams("c", "VK7101", "1.3", 10, 1))})
                  .getAsULong64(),
              0u);
    EXPECT_EQ(versionFor({}).getAsULong64(), 0u);
}

}  // namespace
