// The vksim tool: images it writes are sound, show lists a target's boards and versions, and
// every refused command line gives its exit status and says why.
#include "sim/images.h"
#include "sim_test.h"
#include "support/process_runner.h"

TEST_F(SimTest, VksimWritesImagesAndRefusesBadCommandLines) {
    const std::string out = sim_.temp().path();
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;  // in what it writes
    };
    const Case cases[] = {
        {{"image", "--version", "3.4.1", "--size", "100000", "-o", out + "/fw.bin"}, 0, ""},
        // A payload of several blocks, written and checked in parts.
        {{"elf", "--version", "1.7", "--fw-type", "14", "--size", "3145733", "-o", out + "/f"},
         0,
         ""},
        {{"--help"}, 0, "show"},
        {{}, 64, "A subcommand is required"},
        {{"flash"}, 64, "subcommand"},
        {{"image", "-o", "/tmp/x"}, 64, "--version is required"},
        {{"image", "--version", "1.0"}, 64, "--output is required"},
        {{"elf", "--version", "1", "--fw-type", "15", "-o", "x"}, 64, "not in range"},
        {{"elf", "--version", "1.0", "--size", "-5", "-o", "x"}, 64, "expected a size in bytes"},
        {{"image", "--version", "1.x", "-o", "/tmp/never"}, 1, "\"1.x\" is no version text"},
        {{"image", "--version", "1.0", "-o", "/nonexistent/dir/x"}, 1, "/nonexistent/dir/x"},
        // Refused before the output is opened: it could not even be created.
        {{"elf", "--version", "1", "--size", "18446744073709551615", "-o", "/nonexistent/x"},
         1,
         "a payload of 18446744073709551615 bytes is more than a file can hold"},
        {{"show", "/nonexistent"}, 1, "/nonexistent/target.json: cannot be read"},
        {{"show", sim_.addText("bad", R"({"systemName": 5})")}, 1, "systemName: expected a text"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const ProcessResult run = runProcess(VK_SIM_TOOL, c.args, out);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
    }
    vksim::ImageInfo vkim;
    vksim::ImageInfo elf;
    std::string problem;
    ASSERT_TRUE(vksim::inspectImage(out + "/fw.bin", vkim, problem) &&
                vksim::inspectImage(out + "/f", elf, problem))
        << problem;
    EXPECT_EQ(vkim.version.getAsString() + " " + elf.version.getAsString(), "3.4.1 1.7");
    EXPECT_EQ(elf.firmwareType, 14u);
}

TEST_F(SimTest, VksimShowListsBoardsAndInstalledVersions) {
    Json doc = labTarget();
    doc["inventory"][0]["items"][2]["items"][0]["items"].push_back(
        Json::parse(R"({"id": "IOFPGA", "items": [{"id": "FPGAFIRMWARE[2]",
                        "params": {"VERSION": "5.1", "CHECKSUM_CRC32": 171}}]})"));
    sim_.add("t1", doc);
    EXPECT_EQ(runProcess(VK_SIM_TOOL, {"show", folder_}, sim_.temp().path()).out,
              "Target \"lab1\" at 192.168.0.10 (" + folder_ +
                  ")\n"
                  "  applications: 0x1a, 0x1b\n"
                  "  reboots: 0, update polls: 3, faults: 0\n"
                  "\n"
                  "ROOT/HCN  VK7101  S/N 4711\n"
                  "    FIRMWARE                  3.2.1         CRC 0x12345678\n"
                  "\n"
                  "ROOT/HCN/SUB_BOARDS/ION[2]  VK4320  S/N 815\n"
                  "    IOFPGA/FPGAFIRMWARE[2]    5.1           CRC 0x000000AB\n");
}
