// The reboot support decision from the board table: which board decides, with which reason,
// and what the report names.
#include <gmock/gmock.h>

#include "driver/reboot_support.h"
#include "update/update_fixture.h"

namespace {

// A board of the firmware-mode classes with what the decision reads.
struct BoardValues {
    uint32_t systemClass;
    uint32_t hwType;
    uint8_t activeFirmware;
    uint8_t activeFpga;
    const char* versions[4];  // installed versions of slots 1 to 4: two images, two FPGAs
    const char* cpld;
    const char* boardType;
};

// Firmware-mode boards (class 0x20001), FPGA-mode boards (0x20004), combined (0x20010).
BoardValues pc(uint32_t hwType, uint8_t active, const char* image1, const char* image2 = "0") {
    return {0x20001, hwType, active, 0, {image1, image2, "0", "0"}, "0", "VKx86_32"};
}
BoardValues fpga(const char* cpld, uint8_t activeFpga, const char* fpga1, const char* fpga2) {
    return {0x20004, 0, 0, activeFpga, {"0", "0", fpga1, fpga2}, cpld, "VK7101"};
}
BoardValues combined(uint32_t hwType, uint8_t active, uint8_t activeFpga, const char* image1,
                     const char* image2, const char* fpga1, const char* fpga2) {
    return {0x20010, hwType, active, activeFpga, {image1, image2, fpga1, fpga2}, "0", "VK7110"};
}
const BoardValues kOther = {0x40003, 2, 0, 0, {"1.0", "0", "0", "0"}, "0", "VK3001"};

class RebootDecisionTable : public RunTablesTest {};

TEST_F(RebootDecisionTable, ReasonAndTheBoardItNames) {
    struct Case {
        const char* name;
        std::vector<BoardValues> boards;
        uint32_t reason;
        const char* named;  // board type the message names; "?" relevant board not found
    };
    // clang-format off
    const Case cases[] = {
        {"supported", {pc(1, 1, "5.2"), fpga("4.1", 2, "4.0", "5.1")}, 0, ""},
        {"FPGA image 2 at 5.0", {pc(1, 1, "5.2"), fpga("4.1", 2, "5.1", "5.0")}, 1, "VK7101"},
        {"FPGA image 1 active, old", {pc(1, 1, "5.2"), fpga("4.1", 1, "5.0", "6.0")}, 1, "VK7101"},
        {"CPLD 3.9", {pc(1, 1, "5.2"), fpga("3.9", 1, "9.0", "9.0")}, 2, "VK7101"},
        {"FPGA image unknown", {pc(1, 1, "5.2"), fpga("4.0", 0, "9.0", "9.0")}, 3, "VK7101"},
        {"HW type 1 firmware board alone", {pc(1, 1, "4.9")}, 3, "?"},
        {"HW type 2, old firmware stops", {pc(2, 1, "4.9"), fpga("3.0", 1, "9.0", "9.0")}, 1, "VKx86_32"},
        {"HW type 2 alone, supported", {pc(2, 2, "1.0", "5.1")}, 0, ""},
        {"second image active and old", {pc(2, 2, "9.0", "5.0")}, 1, "VKx86_32"},
        {"later old CPLD decides", {pc(1, 1, "4.9"), fpga("3.0", 1, "9.0", "9.0")}, 2, "VK7101"},
        {"old firmware kept", {pc(1, 1, "4.9"), fpga("4.1", 1, "5.1", "0")}, 1, "VKx86_32"},
        {"then firmware mode unknown", {fpga("4.1", 1, "5.1", "0"), pc(1, 0, "9.0")}, 3, "VKx86_32"},
        {"firmware mode unknown first", {pc(1, 0, "9.0"), fpga("4.1", 1, "5.1", "0")}, 3, "?"},
        {"combined supported", {combined(2, 1, 2, "5.0", "0", "0", "5.0")}, 0, ""},
        {"combined image 2 old", {combined(2, 2, 1, "9.0", "4.9", "5.0", "0")}, 1, "VK7110"},
        {"combined FPGA 1 old", {combined(2, 1, 1, "5.0", "0", "4.9", "0")}, 1, "VK7110"},
        {"combined FPGA 2 old", {combined(2, 1, 2, "5.0", "0", "9.0", "4.9")}, 1, "VK7110"},
        {"combined FPGA mode unknown", {combined(2, 1, 0, "5.0", "0", "9.0", "9.0")}, 3, "VK7110"},
        {"combined firmware mode unknown", {combined(2, 0, 1, "5.0", "0", "9.0", "9.0")}, 3, "VK7110"},
        {"combined, other HW type", {combined(1, 1, 1, "1.0", "0", "1.0", "0")}, 3, "?"},
        {"others passed over", {kOther, pc(1, 1, "5.1"), kOther, fpga("4.0", 1, "5.1", "0")}, 0, ""},
        {"no boards", {}, 3, "?"},
        {"FPGA board alone", {fpga("4.1", 1, "5.1", "0")}, 3, "?"},
    };
    // clang-format on
    const char* const kKinds[] = {"", "not supported by the firmware version installed on the",
                                  "not supported by the system's",
                                  "Cannot determine firmware mode"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoardTable boards;
        for (const BoardValues& v : c.boards) {
            BoardRecord& board = boards.emplace_back();
            board.systemClass = v.systemClass;
            board.hwType = v.hwType;
            board.activeFirmware = v.activeFirmware;
            board.activeFpga = v.activeFpga;
            for (int slot = 1; slot <= 4; ++slot) {
                board.installedVersion(slot) = VkCVersion(v.versions[slot - 1]);
            }
            board.cpldVersion = VkCVersion(v.cpld);
            board.boardType = v.boardType;
        }
        const RebootDecision decision = decideRebootSupport(boards);
        auto report = update_test::printed(
            [&] { EXPECT_EQ(reportRebootDecision(decision, boards), c.reason); });
        const std::string named = c.named;
        EXPECT_EQ(decision.relevantBoardsPresent, named != "?");
        if (named.empty()) {
            EXPECT_EQ(report, "");
        } else if (named == "?") {
            EXPECT_THAT(report, testing::HasSubstr("Relevant board not found."));
        } else {
            EXPECT_THAT(report, testing::HasSubstr(kKinds[c.reason]));
            EXPECT_THAT(report, testing::HasSubstr(" " + named + " board"));
            EXPECT_EQ(boards.at(size_t(decision.decidingBoard)).boardType.str(), named);
        }
    }
}

}  // namespace
