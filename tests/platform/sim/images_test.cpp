// Firmware images of the simulated target: the VKIM layout, ELF files with an embedded
// inventory, the reasons a file is refused, the inventory tree read out of an image file; and the
// vksim tool: the images it writes, show, and the exit status and reason of refused command lines.
#include "sim/images.h"
#include <sys/stat.h>
#include <zlib.h>
#include "VkCInventoryData.h"
#include "sim_test.h"
#include "support/process_runner.h"

class ImagesTest : public SimTest {
  protected:
    std::string path(const std::string& name) const { return sim_.temp().file(name); }
    // Whether the file gives a tree; its FIRMWARE checksum and version into crc_ and version_.
    bool extract(const std::string& file, VkCErrorListPool& pool) {
        VkCInventoryItem* tree = reinterpret_cast<VkCInventoryItem*>(16);
        VkCInventoryData::extractInventoryTreeFromFile(pool, file.c_str(), tree);
        if (tree != nullptr) {
            tree->getValue(pool, Ids::FIRMWARE / Ids::CHECKSUM_CRC32, crc_);
            tree->getValue(pool, Ids::FIRMWARE / Ids::VERSION, version_);
            manager_->deleteInventoryTree(tree);
        }
        return tree != nullptr;
    }
    vksim::ImageInfo info_;
    std::string problem_, error_;
    uint32_t crc_ = 0;
    VkCVersion version_;
};

std::string vkimHeader(const std::string& version, uint32_t crc) {
    std::string header(64, '\0');
    header.replace(0, 4, "VKIM");
    header.replace(4, version.size(), version);
    for (int i = 0; i < 4; ++i) {
        header[60 + i] = static_cast<char>(crc >> (24 - 8 * i));
    }
    return header;
}

TEST_F(ImagesTest, ImagesOfBothFormatsCarryVersionChecksumAndTree) {
    ASSERT_TRUE(vksim::writeVkimImage(path("fw.bin"), "4.2.0", 1000, error_)) << error_;
    ASSERT_TRUE(vksim::writeElfImage(path("fw.elf"), "2.1", 14u, 5000, error_)) << error_;
    const std::string bytes = sim_.temp().read("fw.bin");
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(&bytes[64]), 1000));
    EXPECT_EQ(bytes, vkimHeader("4.2.0", crc) + bytes.substr(64, 1000));
    for (const char* name : {"fw.bin", "fw.elf"}) {
        SCOPED_TRACE(name);
        VkCErrorListPool pool;
        ASSERT_TRUE(vksim::inspectImage(path(name), info_, problem_)) << problem_;
        ASSERT_TRUE(extract(path(name), pool));
        EXPECT_EQ(crc_, info_.checksum);
        EXPECT_EQ(version_, info_.version);
        EXPECT_EQ(pool.getEntryCount(), 0u);
        EXPECT_EQ(info_.format == vksim::ImageInfo::Format::Elf, info_.firmwareType.has_value());
    }
    EXPECT_EQ(info_.firmwareType, 14u);
    vksim::ElfInventory inventory;
    ASSERT_TRUE(vksim::readElfInventory(path("fw.elf"), inventory, problem_));
    EXPECT_EQ(inventory.payloadCrc, info_.checksum);
}

TEST_F(ImagesTest, BrokenImageIsRefusedWithAReason) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "no firmware image the target recognises"},
        {"VKIM3.0", "no firmware image the target recognises"},
        {vkimHeader("3.x", 0), "holds no valid version in its header (\"3.x\")"},
        {vkimHeader("3.0", 1) + "abc",
         "has the checksum 0x00000001, which does not match its content (0x352441C2)"},
        {vkimHeader("3.0", 1), "does not match its content"},
        {std::string("\177ELF") + std::string(60, '\0'), "no valid ELF file"}};
    for (const auto& [content, says] : cases) {
        EXPECT_FALSE(vksim::inspectImage(sim_.temp().write("x", content), info_, problem_));
        EXPECT_NE(problem_.find(says), std::string::npos) << problem_;
    }
    EXPECT_TRUE(vksim::inspectImage(sim_.temp().write("x", vkimHeader("3.0", 0)), info_, problem_))
        << "no payload is fine";
    EXPECT_FALSE(vksim::inspectImage("/proc/self/exe", info_, problem_));
    EXPECT_EQ(problem_, "is an ELF file without a .vkinventory section");
}

TEST_F(ImagesTest, ExtractGivesNoTreeForOtherFilesAndWarnsAboutADamagedInventory) {
    for (const std::string& file :
         {sim_.temp().write("plain.bin", "text"), path("absent"), std::string("/proc/self/exe")}) {
        VkCErrorListPool pool;
        EXPECT_FALSE(extract(file, pool)) << file;
        EXPECT_EQ(pool.getEntryCount(), 0u) << "a file without an inventory is no error";
    }
    ASSERT_TRUE(vksim::writeElfImage(path("fw.elf"), "2.1", std::nullopt, 100, error_));
    std::string bytes = sim_.temp().read("fw.elf");
    sim_.temp().write("fw.elf", bytes.replace(bytes.find("\"FIRMWARE\""), 10, "\"FIRMWARX\""));
    const auto deep = [](uint32_t) { return std::string(30000, '[') + R"({"id": "HCN"})"; };
    ASSERT_TRUE(vksim::writeElfFile(path("deep.elf"), "1.0", 100, deep, error_));
    const std::pair<const char*, const char*> damaged[] = {
        {"fw.elf", ".vkinventory: inventory[0].id: \"FIRMWARX\" is no inventory ID."},
        {"deep.elf", ".vkinventory: line 1, column 257: nesting deeper than 256 levels."}};
    for (const auto& [name, says] : damaged) {
        VkCErrorListPool pool;
        EXPECT_FALSE(extract(path(name), pool));
        EXPECT_EQ(pool.getErrorCount(), 0u) << "a warning";
        EXPECT_EQ(lastText(pool),
                  "The file " + path(name) + " has a damaged embedded inventory: " + says);
    }
    // A FIFO among the update files would stall the catalogue.
    ASSERT_EQ(::mkfifo(path("fifo.elf").c_str(), 0644), 0);
    VkCErrorListPool pool;
    EXPECT_EXIT(
        (::alarm(10), extract(path("fifo.elf"), pool), std::cerr << lastText(pool), exit(0)),
        ::testing::ExitedWithCode(0), "fifo.elf is a FIFO, not a regular file");
}

TEST_F(SimTest, VksimWritesImagesShowsTargetsAndRefusesBadCommandLines) {
    const std::string out = sim_.temp().path();
    Json doc = labTarget();
    doc["inventory"][0]["items"][2]["items"][0]["items"].push_back(
        Json::parse(R"({"id": "IOFPGA", "items": [{"id": "FPGAFIRMWARE[2]",
                        "params": {"VERSION": "5.1", "CHECKSUM_CRC32": 171}}]})"));
    sim_.add("t1", doc);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;  // in what it writes
    };
    // clang-format off
    const Case cases[] = {
        {{"image", "--version", "3.4.1", "--size", "100000", "-o", out + "/fw.bin"}, 0, ""},
        // A payload of several blocks, written and checked in parts.
        {{"elf", "--version", "1.7", "--fw-type", "14", "--size", "3145733", "-o", out + "/f"}, 0,
         ""},
        {{"--help"}, 0, "show"},
        {{"show", folder_}, 0, "Target \"lab1\" at 192.168.0.10 (" + folder_ + ")\n"
            "  applications: 0x1a, 0x1b\n"
            "  reboots: 0, update polls: 3, faults: 0\n\n"
            "ROOT/HCN  VK7101  S/N 4711\n"
            "    FIRMWARE                  3.2.1         CRC 0x12345678\n\n"
            "ROOT/HCN/SUB_BOARDS/ION[2]  VK4320  S/N 815\n"
            "    IOFPGA/FPGAFIRMWARE[2]    5.1           CRC 0x000000AB\n"},
        {{}, 64, "A subcommand is required"},
        {{"flash"}, 64, "subcommand"},
        {{"image", "-o", "/tmp/x"}, 64, "--version is required"},
        {{"image", "--version", "1.0"}, 64, "--output is required"},
        {{"elf", "--version", "1", "--fw-type", "15", "-o", "x"}, 64, "not in range"},
        {{"elf", "--version", "1.0", "--size", "-5", "-o", "x"}, 64, "expected a size in bytes"},
        {{"image", "--version", "1.x", "-o", "/tmp/never"}, 1, "\"1.x\" is no version text"},
        {{"image", "--version", "1.0", "-o", "/nonexistent/dir/x"}, 1, "/nonexistent/dir/x"},
        // Refused before the output is opened: it could not even be created.
        {{"elf", "--version", "1", "--size", "18446744073709551615", "-o", "/nonexistent/x"}, 1,
         "a payload of 18446744073709551615 bytes is more than a file can hold"},
        {{"show", "/nonexistent"}, 1, "/nonexistent/target.json: cannot be read"},
        {{"show", sim_.addText("bad", R"({"systemName": 5})")}, 1, "systemName: expected a text"}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const ProcessResult run = runProcess(VK_SIM_TOOL, c.args, out);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
    }
    vksim::ImageInfo vkim, elf;
    std::string problem;
    ASSERT_TRUE(vksim::inspectImage(out + "/fw.bin", vkim, problem) &&
                vksim::inspectImage(out + "/f", elf, problem))
        << problem;
    EXPECT_EQ(vkim.version.getAsString().str() + " " + elf.version.getAsString().str() + " " +
                  std::to_string(elf.firmwareType.value_or(0)),
              "3.4.1 1.7 14");
}
