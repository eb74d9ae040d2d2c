#include <gtest/gtest.h>

#include <string>

#include "driver/reboot_support.h"
#include "reporting/output_mode.h"

namespace {

// A board of the firmware-mode classes with what the check reads.
struct BoardValues {
    uint32_t systemClass;
    uint32_t hwType;
    uint8_t activeFirmware;
    uint8_t activeFpga;
    const char* image1;  // installed versions of slots 1 to 4
    const char* image2;
    const char* fpga1;
    const char* fpga2;
    const char* cpld;
    const char* boardType;
};

BoardRecord boardFrom(const BoardValues& values) {
    BoardRecord board;
    board.systemClass = values.systemClass;
    board.hwType = values.hwType;
    board.activeFirmware = values.activeFirmware;
    board.activeFpga = values.activeFpga;
    board.installedVersion(1) = VkCVersion(values.image1);
    board.installedVersion(2) = VkCVersion(values.image2);
    board.installedVersion(3) = VkCVersion(values.fpga1);
    board.installedVersion(4) = VkCVersion(values.fpga2);
    board.cpldVersion = VkCVersion(values.cpld);
    board.boardType = values.boardType;
    return board;
}

// Firmware-mode boards (class 0x20001), FPGA-mode boards (0x20004), combined (0x20010).
BoardValues pcBoard(uint32_t hwType, uint8_t active, const char* image1, const char* image2 = "0") {
    return {0x20001, hwType, active, 0, image1, image2, "0", "0", "0", "VKx86_32"};
}
BoardValues fpgaBoard(const char* cpld, uint8_t activeFpga, const char* fpga1, const char* fpga2) {
    return {0x20004, 0, 0, activeFpga, "0", "0", fpga1, fpga2, cpld, "VK7101"};
}
BoardValues combinedBoard(uint32_t hwType, uint8_t active, uint8_t activeFpga, const char* image1,
                          const char* image2, const char* fpga1, const char* fpga2) {
    return {0x20010, hwType, active, activeFpga, image1, image2, fpga1, fpga2, "0", "VK7110"};
}
BoardValues otherBoard() {
    return {0x40003, 2, 0, 0, "1.0", "0", "0", "0", "0", "VK3001"};
}

const char* const kFirmwareWarning =
    "WARNING: System cannot be rebooted automatically (not supported by the firmware version "
    "installed on the system's %s board).\n";
const char* const kBoardWarning =
    "WARNING: System cannot be rebooted automatically (not supported by the system's %s "
    "board).\n";
const char* const kModeError =
    "ERROR: Cannot determine firmware mode of the target system's %s board.\n";
const char* const kNotFound =
    "ERROR: Cannot determine firmware mode of the target system. Relevant board not found.\n";

std::string withBoard(const char* format, const char* boardType) {
    std::string text(format);
    return text.replace(text.find("%s"), 2, boardType);
}

struct RebootCase {
    const char* name;
    std::vector<BoardValues> boards;
    uint32_t reason;
    std::string message;
};

void PrintTo(const RebootCase& c, std::ostream* os) {
    *os << c.name;
}

class RebootDecisionCases : public ConsoleOutputTest,
                            public testing::WithParamInterface<RebootCase> {};

TEST_P(RebootDecisionCases, ReasonAndMessage) {
    const RebootCase& c = GetParam();
    BoardTable table;
    for (const BoardValues& values : c.boards) {
        table.push_back(boardFrom(values));
    }
    testing::internal::CaptureStdout();
    const uint32_t reason = reportRebootDecision(decideRebootSupport(table), table);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message) << c.name;
    EXPECT_EQ(reason, c.reason) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RebootDecisionCases,
    testing::Values(
        RebootCase{"supported: firmware 5.2 and FPGA image 2 at 5.1 with CPLD 4.1",
                   {pcBoard(1, 1, "5.2"), fpgaBoard("4.1", 2, "4.0", "5.1")},
                   0,
                   ""},
        RebootCase{"FPGA image 2 at 5.0",
                   {pcBoard(1, 1, "5.2"), fpgaBoard("4.1", 2, "5.1", "5.0")},
                   1,
                   withBoard(kFirmwareWarning, "VK7101")},
        RebootCase{"FPGA image 1 active and old",
                   {pcBoard(1, 1, "5.2"), fpgaBoard("4.1", 1, "5.0", "6.0")},
                   1,
                   withBoard(kFirmwareWarning, "VK7101")},
        RebootCase{"CPLD 3.9 whatever the FPGA versions",
                   {pcBoard(1, 1, "5.2"), fpgaBoard("3.9", 1, "9.0", "9.0")},
                   2,
                   withBoard(kBoardWarning, "VK7101")},
        RebootCase{"FPGA image unknown",
                   {pcBoard(1, 1, "5.2"), fpgaBoard("4.0", 0, "9.0", "9.0")},
                   3,
                   withBoard(kModeError, "VK7101")},
        RebootCase{
            "HW type 1 firmware board alone is not enough", {pcBoard(1, 1, "4.9")}, 3, kNotFound},
        RebootCase{"HW type 2 firmware board with old firmware stops the walk",
                   {pcBoard(2, 1, "4.9"), fpgaBoard("3.0", 1, "9.0", "9.0")},
                   1,
                   withBoard(kFirmwareWarning, "VKx86_32")},
        RebootCase{
            "HW type 2 firmware board alone, supported", {pcBoard(2, 2, "1.0", "5.1")}, 0, ""},
        RebootCase{"second firmware image active and old",
                   {pcBoard(2, 2, "9.0", "5.0")},
                   1,
                   withBoard(kFirmwareWarning, "VKx86_32")},
        RebootCase{"old firmware then old CPLD: the later board decides",
                   {pcBoard(1, 1, "4.9"), fpgaBoard("3.0", 1, "9.0", "9.0")},
                   2,
                   withBoard(kBoardWarning, "VK7101")},
        RebootCase{"old firmware is kept when later boards pass",
                   {pcBoard(1, 1, "4.9"), fpgaBoard("4.1", 1, "5.1", "0")},
                   1,
                   withBoard(kFirmwareWarning, "VKx86_32")},
        RebootCase{"FPGA board passes, then firmware mode unknown",
                   {fpgaBoard("4.1", 1, "5.1", "0"), pcBoard(1, 0, "9.0")},
                   3,
                   withBoard(kModeError, "VKx86_32")},
        RebootCase{"firmware mode unknown first stops before the FPGA board is seen",
                   {pcBoard(1, 0, "9.0"), fpgaBoard("4.1", 1, "5.1", "0")},
                   3,
                   kNotFound},
        RebootCase{
            "combined board supported", {combinedBoard(2, 1, 2, "5.0", "0", "0", "5.0")}, 0, ""},
        RebootCase{"combined board firmware image 2 old",
                   {combinedBoard(2, 2, 1, "9.0", "4.9", "5.0", "0")},
                   1,
                   withBoard(kFirmwareWarning, "VK7110")},
        RebootCase{"combined board FPGA image 1 old",
                   {combinedBoard(2, 1, 1, "5.0", "0", "4.9", "0")},
                   1,
                   withBoard(kFirmwareWarning, "VK7110")},
        RebootCase{"combined board FPGA image 2 old",
                   {combinedBoard(2, 1, 2, "5.0", "0", "9.0", "4.9")},
                   1,
                   withBoard(kFirmwareWarning, "VK7110")},
        RebootCase{"combined board FPGA mode unknown",
                   {combinedBoard(2, 1, 0, "5.0", "0", "9.0", "9.0")},
                   3,
                   withBoard(kModeError, "VK7110")},
        RebootCase{"combined board firmware mode unknown",
                   {combinedBoard(2, 0, 1, "5.0", "0", "9.0", "9.0")},
                   3,
                   withBoard(kModeError, "VK7110")},
        RebootCase{"combined board of another HW type is passed over",
                   {combinedBoard(1, 1, 1, "1.0", "0", "1.0", "0")},
                   3,
                   kNotFound},
        RebootCase{
            "other boards are passed over",
            {otherBoard(), pcBoard(1, 1, "5.1"), otherBoard(), fpgaBoard("4.0", 1, "5.1", "0")},
            0,
            ""},
        RebootCase{"no boards", {}, 3, kNotFound},
        RebootCase{
            "FPGA board alone is not enough", {fpgaBoard("4.1", 1, "5.1", "0")}, 3, kNotFound}));

TEST(RebootDecision, NamesTheDecidingBoard) {
    BoardTable table = {boardFrom(otherBoard()), boardFrom(pcBoard(1, 1, "5.2")),
                        boardFrom(fpgaBoard("3.0", 1, "9.0", "9.0"))};
    const RebootDecision decision = decideRebootSupport(table);
    EXPECT_EQ(decision.reason, 2u);
    EXPECT_EQ(decision.decidingBoard, 2);
    EXPECT_TRUE(decision.relevantBoardsPresent);
}

}  // namespace
