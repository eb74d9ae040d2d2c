// The plan command against both example systems with the example firmware container: the
// printed plan, its verbose detail lines, the board and part filters, files the target already
// has, and containers the compatibility check refuses.
#include <filesystem>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

const char kExampleFirmware[] = VK_EXAMPLE_FIRMWARE_DIR;

// The verbose trace shows the device handle's value, which differs from run to run.
ProcessResult withoutHandleValues(ProcessResult result) {
    static const std::regex handle(R"(OK \(0x[0-9a-fA-F]+\))");
    result.out = std::regex_replace(result.out, handle, "OK (<handle>)");
    return result;
}

struct PlanCase {
    std::string name;  // expected/<name>.stdout
    std::string systemName;
    std::vector<std::string> options;  // between the firmware folder and the command
    int status;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.name;
}

class PlanTest : public VkupdateE2eTest {
  protected:
    void SetUp() override {
        VkupdateE2eTest::SetUp();
        copyExampleTarget("lab-rtpc");
        copyExampleTarget("compact-rtpc");
    }

    ProcessResult plan(const std::string& systemName, const std::vector<std::string>& options) {
        std::vector<std::string> args = {"--targets", "$TMP/targets", "--system",
                                         systemName,  "--firmware",   kExampleFirmware};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("plan");
        return withoutHandleValues(run(args));
    }
};

class PlanRun : public PlanTest, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(PlanRun, PrintsTheExpectedPlan) {
    expectRun(plan(GetParam().systemName, GetParam().options), GetParam().name, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Vkupdate, PlanRun,
    ::testing::Values(
        // Installs, files already installed, a missing file, boards the check ignores.
        PlanCase{"lab_plan", "LAB-RTPC-01", {}, 0},
        PlanCase{"compact_plan", "RTPC-COMPACT-07", {}, 0},
        // The whole trace of the run, and three detail lines per plan row.
        PlanCase{"lab_plan_verbose", "LAB-RTPC-01", {"--verbose"}, 0},
        // One board selected: the others show N and "-" and are not checked.
        PlanCase{"lab_plan_serial", "LAB-RTPC-01", {"--serial", "104871"}, 0},
        PlanCase{"compact_plan_board_type", "RTPC-COMPACT-07", {"--board-type", "VK7120"}, 0},
        // Only FPGA firmware: boards without user firmware are warned about.
        PlanCase{"lab_plan_user_fpga", "LAB-RTPC-01", {"--user-fpga"}, 0},
        // Nothing counts as installed.
        PlanCase{"lab_plan_skip_installed_check", "LAB-RTPC-01", {"--skip-installed-check"}, 0}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return info.param.name; });

// A bus FPGA file is installed when the target's CN drive holds an equal copy; both boards it
// matches then show "-", and the list of files not required names it.
TEST_F(PlanTest, BusFpgaCopyOnTheTargetIsAlreadyInstalled) {
    std::filesystem::copy_file(std::string(kExampleFirmware) + "/vk9108_bus_1.3.bit",
                               targetsFolder() + "/lab-rtpc/cfdrive/vk9108_bus.bit");
    expectRun(plan("LAB-RTPC-01", {}), "lab_plan_bus_fpga_installed", 0);
}

// A copy that differs in one byte is written again.
TEST_F(PlanTest, DifferentBusFpgaCopyIsWrittenAgain) {
    std::string copy = readFileText(std::string(kExampleFirmware) + "/vk9108_bus_1.3.bit");
    ASSERT_FALSE(copy.empty());
    copy.back() = static_cast<char>(copy.back() ^ 1);
    writeFileText(targetsFolder() + "/lab-rtpc/cfdrive/vk9108_bus.bit", copy);
    expectRun(plan("LAB-RTPC-01", {}), "lab_plan", 0);
}

// An I/O node of a strict system class with active firmware and no matching file refuses the
// whole container.
TEST_F(PlanTest, StrictBoardWithoutMatchingFileEndsTheRun) {
    nlohmann::json doc = readTargetJson("lab-rtpc");
    nlohmann::json& product = doc["inventory"][2]["items"][3]["items"][0]["params"];  // ION
    ASSERT_EQ(product["BOARD_TYPE"], "VK2240");
    product["BOARD_TYPE"] = "VK2250";
    writeTargetJson("lab-rtpc", doc);
    expectRun(plan("LAB-RTPC-01", {}), "lab_plan_board_not_supported", 1);
}

// A communication node that needs a newer firmware than the container's refuses it as well.
TEST_F(PlanTest, BoardNeedingNewerFirmwareEndsTheRun) {
    nlohmann::json doc = readTargetJson("lab-rtpc");
    nlohmann::json& product = doc["inventory"][0]["items"][5]["items"][0]["params"];  // HCN/CN
    ASSERT_EQ(product["BOARD_TYPE"], "VK7120");
    product["FW_TYPE"] = 5;
    writeTargetJson("lab-rtpc", doc);
    expectRun(plan("LAB-RTPC-01", {}), "lab_plan_newer_firmware_needed", 1);
}

}  // namespace
