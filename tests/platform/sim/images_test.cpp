#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "VkCInventoryData.h"
#include "VkNInventoryIDs.h"
#include "child_holder.h"
#include "sim/Images.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

namespace Ids = VkNInventoryIDs;

class ImagesTest : public ::testing::Test {
  protected:
    std::string path(const std::string& name) const { return temp_.path() + "/" + name; }
    TempFolder temp_;
};

uint32_t bigEndianAt(const std::string& bytes, size_t offset) {
    return (uint32_t(uint8_t(bytes[offset])) << 24) | (uint32_t(uint8_t(bytes[offset + 1])) << 16) |
           (uint32_t(uint8_t(bytes[offset + 2])) << 8) | uint8_t(bytes[offset + 3]);
}

TEST_F(ImagesTest, VkimLayout) {
    std::string error;
    ASSERT_TRUE(vksim::writeVkimImage(path("a.bin"), "3.3.0", 1000, error)) << error;
    const std::string bytes = readFile(path("a.bin"));
    ASSERT_EQ(bytes.size(), 1064u);
    EXPECT_EQ(bytes.substr(0, 4), "VKIM");
    EXPECT_EQ(bytes.substr(4, 32), std::string("3.3.0") + std::string(27, '\0'));
    EXPECT_EQ(bytes.substr(36, 24), std::string(24, '\0'));
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 64), 1000));
    EXPECT_EQ(bigEndianAt(bytes, 60), crc);
    vksim::ImageInfo info;
    std::string problem;
    ASSERT_TRUE(vksim::inspectImage(path("a.bin"), info, problem)) << problem;
    EXPECT_EQ(info.format, vksim::ImageInfo::Format::Vkim);
    EXPECT_EQ(info.version.getAsString(), "3.3");
    EXPECT_EQ(info.checksum, crc);
    EXPECT_FALSE(info.firmwareType.has_value());
}

TEST_F(ImagesTest, DifferentVersionsGiveDifferentPayloads) {
    std::string error;
    ASSERT_TRUE(vksim::writeVkimImage(path("a"), "1.0", 64, error));
    ASSERT_TRUE(vksim::writeVkimImage(path("b"), "1.1", 64, error));
    EXPECT_NE(readFile(path("a")).substr(64), readFile(path("b")).substr(64));
}

struct BrokenImage {
    const char* name;
    std::string content;
    const char* problem;
};

void PrintTo(const BrokenImage& c, std::ostream* os) {
    *os << c.name;
}

class BrokenImageTest : public ImagesTest, public ::testing::WithParamInterface<BrokenImage> {};

TEST_P(BrokenImageTest, IsRefusedWithAReason) {
    writeFile(path("x"), GetParam().content);
    vksim::ImageInfo info;
    std::string problem;
    EXPECT_FALSE(vksim::inspectImage(path("x"), info, problem));
    EXPECT_NE(problem.find(GetParam().problem), std::string::npos) << problem;
}

std::string vkimHeader(const std::string& version, uint32_t crc) {
    std::string header(64, '\0');
    header.replace(0, 4, "VKIM");
    header.replace(4, version.size(), version);
    for (int i = 0; i < 4; ++i) {
        header[60 + i] = static_cast<char>(crc >> (24 - 8 * i));
    }
    return header;
}

INSTANTIATE_TEST_SUITE_P(
    Images, BrokenImageTest,
    ::testing::Values(
        BrokenImage{"Empty", "", "no firmware image the target recognises"},
        BrokenImage{"Text", "hello, world", "no firmware image the target recognises"},
        BrokenImage{"ShortVkim", "VKIM3.0", "no firmware image the target recognises"},
        BrokenImage{"BadVersion", vkimHeader("3.x", 0),
                    "holds no valid version in its header (\"3.x\")"},
        BrokenImage{"WrongChecksum", vkimHeader("3.0", 1) + "abc",
                    "has the checksum 0x00000001, which does not match its content (0x352441C2)"},
        BrokenImage{"EmptyPayload", vkimHeader("3.0", 1), "does not match its content"},
        BrokenImage{"ElfMagicOnly",
                    std::string("\x7f"
                                "ELF",
                                4) +
                        std::string(60, '\0'),
                    "no valid ELF file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImagesTest, VkimWithoutPayloadAndTheRightChecksumIsFine) {
    writeFile(path("x"), vkimHeader("3.0", 0));
    vksim::ImageInfo info;
    std::string problem;
    EXPECT_TRUE(vksim::inspectImage(path("x"), info, problem)) << problem;
}

TEST_F(ImagesTest, ElfCarriesItsInventory) {
    std::string error;
    ASSERT_TRUE(vksim::writeElfImage(path("fw.elf"), "2.1", 14u, 5000, error)) << error;
    vksim::ImageInfo info;
    std::string problem;
    ASSERT_TRUE(vksim::inspectImage(path("fw.elf"), info, problem)) << problem;
    EXPECT_EQ(info.format, vksim::ImageInfo::Format::Elf);
    EXPECT_EQ(info.version.getAsString(), "2.1");
    EXPECT_EQ(info.firmwareType, 14u);
    vksim::ElfInventory inventory;
    ASSERT_TRUE(vksim::readElfInventory(path("fw.elf"), inventory, problem));
    EXPECT_EQ(inventory.payloadCrc, info.checksum);
    EXPECT_EQ(Json::parse(inventory.json)[0]["params"]["CHECKSUM_CRC32"], info.checksum);
}

TEST_F(ImagesTest, ElfWithoutInventoryIsNoImage) {
    const std::string self = "/proc/self/exe";
    vksim::ImageInfo info;
    std::string problem;
    EXPECT_FALSE(vksim::inspectImage(self, info, problem));
    EXPECT_EQ(problem, "is an ELF file without a .vkinventory section");
}

TEST_F(ImagesTest, ExtractInventoryTreeFromElfAndVkim) {
    std::string error;
    ASSERT_TRUE(vksim::writeElfImage(path("fw.elf"), "2.1", std::nullopt, 100, error));
    ASSERT_TRUE(vksim::writeVkimImage(path("fw.bin"), "4.2", 100, error));
    for (const char* name : {"fw.elf", "fw.bin"}) {
        VkCErrorListPool pool;
        VkCInventoryItem* tree = nullptr;
        VkCInventoryData::extractInventoryTreeFromFile(pool, path(name).c_str(), tree);
        ASSERT_NE(tree, nullptr) << name;
        const VkCInventoryItem* firmware = tree->getItem(Ids::FIRMWARE);
        ASSERT_NE(firmware, nullptr);
        uint32_t crc = 0;
        VkCVersion version;
        firmware->getValue(pool, Ids::CHECKSUM_CRC32, crc);
        firmware->getValue(pool, Ids::VERSION, version);
        vksim::ImageInfo info;
        std::string problem;
        ASSERT_TRUE(vksim::inspectImage(path(name), info, problem));
        EXPECT_EQ(crc, info.checksum) << name;
        EXPECT_EQ(version, info.version) << name;
        EXPECT_EQ(pool.getEntryCount(), 0u);
        VkCInventoryManager::getInstance()->deleteInventoryTree(tree);
    }
}

TEST_F(ImagesTest, ExtractLeavesTheTreeNullForOtherFiles) {
    writeFile(path("plain.bin"), "no inventory here");
    for (const std::string& file :
         {path("plain.bin"), path("absent"), std::string("/proc/self/exe")}) {
        VkCErrorListPool pool;
        VkCInventoryItem* tree = reinterpret_cast<VkCInventoryItem*>(16);
        VkCInventoryData::extractInventoryTreeFromFile(pool, file.c_str(), tree);
        EXPECT_EQ(tree, nullptr) << file;
        EXPECT_EQ(pool.getEntryCount(), 0u) << "a file without an inventory is no error";
    }
    VkCErrorListPool pool;
    VkCInventoryItem* tree = nullptr;
    VkCInventoryData::extractInventoryTreeFromFile(pool, nullptr, tree);
    EXPECT_EQ(tree, nullptr);
}

TEST_F(ImagesTest, ExtractWarnsAboutADamagedInventory) {
    std::string error;
    ASSERT_TRUE(vksim::writeElfImage(path("fw.elf"), "2.1", std::nullopt, 100, error));
    std::string bytes = readFile(path("fw.elf"));
    const size_t at = bytes.find("\"FIRMWARE\"");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 10, "\"FIRMWARX\"");
    writeFile(path("fw.elf"), bytes);
    VkCErrorListPool pool;
    VkCInventoryItem* tree = nullptr;
    VkCInventoryData::extractInventoryTreeFromFile(pool, path("fw.elf").c_str(), tree);
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(pool.getErrorCount(), 0u);
    ASSERT_EQ(pool.getEntryCount(), 1u);
    EXPECT_NE(lastErrorText(pool).find("inventory[0].id: \"FIRMWARX\" is no inventory ID"),
              std::string::npos)
        << lastErrorText(pool);
}

TEST_F(ImagesTest, ExtractWarnsAboutAnInventoryNestedTooDeep) {
    std::string deep;
    for (int level = 0; level < 30000; ++level) {
        deep += R"([{"id": "HCN", "items": )";
    }
    std::string error;
    ASSERT_TRUE(vksim::writeElfFile(
        path("deep.elf"), "1.0", 100, [&](uint32_t) { return deep; }, error))
        << error;
    VkCErrorListPool pool;
    VkCInventoryItem* tree = nullptr;
    VkCInventoryData::extractInventoryTreeFromFile(pool, path("deep.elf").c_str(), tree);
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(lastErrorText(pool), "The file " + path("deep.elf") +
                                       " has a damaged embedded inventory: .vkinventory: line 1, "
                                       "column 3073: nesting deeper than 256 levels.");
}

// A FIFO among the update files would stall the catalogue.
TEST_F(ImagesTest, ExtractReadsOnlyRegularFiles) {
    ASSERT_EQ(::mkfifo(path("fifo.elf").c_str(), 0644), 0);
    EXPECT_EQ(runBounded([&] {
                  VkCErrorListPool pool;
                  VkCInventoryItem* tree = nullptr;
                  VkCInventoryData::extractInventoryTreeFromFile(pool, path("fifo.elf").c_str(),
                                                                 tree);
                  return lastErrorText(pool);
              }),
              "The file " + path("fifo.elf") + " is a FIFO, not a regular file.");
}

}  // namespace
}  // namespace simtest
