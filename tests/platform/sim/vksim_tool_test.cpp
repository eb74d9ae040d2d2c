#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/Images.h"
#include "sim_fixture.h"

extern char** environ;

namespace simtest {
namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

// Runs vksim with the arguments; standard output and error are both captured.
ToolRun runTool(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = {VK_SIM_TOOL};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int pipeFds[2];
    ToolRun run;
    if (::pipe(pipeFds) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, VK_SIM_TOOL, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        run.out.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    return run;
}

class VksimToolTest : public SimTest {};

TEST_F(VksimToolTest, ImageWritesACheckedVkimImage) {
    const std::string file = temp_.path() + "/fw.bin";
    const ToolRun run = runTool({"image", "--version", "3.4.1", "--size", "100000", "-o", file});
    ASSERT_EQ(run.status, 0) << run.out;
    vksim::ImageInfo info;
    std::string problem;
    ASSERT_TRUE(vksim::inspectImage(file, info, problem)) << problem;
    EXPECT_EQ(info.version.getAsString(), "3.4.1");
    EXPECT_EQ(readFile(file).size(), 100064u);
}

// A payload of several blocks, written and checked in parts.
TEST_F(VksimToolTest, ElfWritesAnImageWithItsType) {
    const std::string file = temp_.path() + "/fw.elf";
    const ToolRun run =
        runTool({"elf", "--version", "1.7", "--fw-type", "14", "--size", "3145733", "-o", file});
    ASSERT_EQ(run.status, 0) << run.out;
    vksim::ImageInfo info;
    std::string problem;
    ASSERT_TRUE(vksim::inspectImage(file, info, problem)) << problem;
    EXPECT_EQ(info.format, vksim::ImageInfo::Format::Elf);
    EXPECT_EQ(info.version.getAsString(), "1.7");
    EXPECT_EQ(info.firmwareType, 14u);
}

struct UsageCase {
    std::vector<std::string> args;
    int status;
    const char* says;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    for (const std::string& arg : c.args) {
        *os << arg << ' ';
    }
}

class VksimUsageTest : public SimTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(VksimUsageTest, ExitStatusAndMessage) {
    const ToolRun run = runTool(GetParam().args);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_NE(run.out.find(GetParam().says), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Usage, VksimUsageTest,
    ::testing::Values(
        UsageCase{{}, 64, "A subcommand is required"},
        UsageCase{{"image", "-o", "/tmp/x"}, 64, "--version is required"},
        UsageCase{{"image", "--version", "1.0"}, 64, "--output is required"},
        UsageCase{{"elf", "--version", "1", "--fw-type", "15", "-o", "x"}, 64, "not in range"},
        UsageCase{{"flash"}, 64, "subcommand"},
        UsageCase{
            {"image", "--version", "1.x", "-o", "/tmp/never"}, 1, "\"1.x\" is no version text"},
        UsageCase{
            {"image", "--version", "1.0", "-o", "/nonexistent/dir/x"}, 1, "/nonexistent/dir/x"},
        // Refused before the output is opened: it could not even be created.
        UsageCase{{"elf", "--version", "1.0", "--size", "18446744073709551615", "-o",
                   "/nonexistent/dir/big.elf"},
                  1,
                  "vksim elf: /nonexistent/dir/big.elf: a payload of 18446744073709551615 bytes "
                  "is more than a file can hold"},
        UsageCase{{"elf", "--version", "1.0", "--size", "-5", "-o", "/tmp/never"},
                  64,
                  "expected a size in bytes, not -5"},
        UsageCase{
            {"show", "/nonexistent-target"}, 1, "/nonexistent-target/target.json: cannot be read"},
        UsageCase{{"--help"}, 0, "show"}));

TEST_F(VksimToolTest, ShowListsBoardsAndInstalledVersions) {
    Json target = standardTarget();
    target["inventory"][0]["items"][2]["items"][0]["items"].push_back(
        Json::parse(R"({"id": "IOFPGA", "items": [{"id": "FPGAFIRMWARE[2]",
                        "params": {"VERSION": "5.1", "CHECKSUM_CRC32": 171}}]})"));
    const std::string folder = addTarget("t1", target);
    const ToolRun run = runTool({"show", folder});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "Target \"lab1\" at 192.168.0.10 (" + folder +
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

TEST_F(VksimToolTest, ShowNamesTheProblemOfABrokenTarget) {
    const std::string folder = addTargetText("t1", R"({"systemName": 5})");
    const ToolRun run = runTool({"show", folder});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "vksim show: " + folder + "/target.json: systemName: expected a text (required)\n");
}

}  // namespace
}  // namespace simtest
