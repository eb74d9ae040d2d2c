// The compatibility check: the decision on each selected board (event 9 with its reason, the
// result, the board's matches), where the check ends, and the texts no end-to-end run shows.
#include "inventory/compatibility_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "support/captured_output.h"
#include "support/host_recorder.h"
#include "support/run_tables.h"

namespace {

using T = RunTablesTest;
using O = VkTCmdOptions;
namespace ids = VkNInventoryIDs;

// The catalogue: one entry per FW_COMPATIBILITY_ID, of OS type os, for boards of type type.
void files(T& t, std::vector<uint32_t> compatibilityIds, const char* os = "",
           const char* type = "VK7101") {
    std::vector<UpdateFileRecord> entries;
    for (uint32_t id : compatibilityIds) {
        entries.push_back(makeFile(type, 1, L"fw\\user.bin"));
        entries.back().FwCompabilityId = id;
        entries.back().OsType = os;
    }
    t.setCatalogue(entries);
}
// A board with serial number 42, product version 2.3 and UPDATE_INFO that matched the
// catalogue's first `matches` entries.
BoardRecord& board(T& t, uint32_t systemClass = 0, int matches = 0, const char* type = "VK7101") {
    BoardRecord& b = t.addBoard(type, 42);
    b.productVersion = VkCVersion("2.3");
    b.hasUpdateInfo = true;
    b.systemClass = systemClass;
    for (int k = 0; k < matches; ++k) {
        T::addMatch(b, k);
    }
    return b;
}
// Class 0x20001, HW type 1 and the given SW compatibility, one file.
BoardRecord& oldHardware(T& t, uint32_t swCompatibility) {
    BoardRecord& b = board(t, 0x20001, 1);
    b.hwType = 1;
    b.swCompatibilityId = swCompatibility;
    return b;
}
// A board without UPDATE_INFO, of the given kind.
BoardRecord& noUpdateInfo(BoardRecord& b, const VkCInventoryAddress& kind) {
    b.hasUpdateInfo = false;
    b.address = ids::ROOT / kind;
    return b;
}
void verbose() {
    moduleState().verboseOutput = true;
}
// A board with the mainboard model and one file of the OS type.
void mainboard(T& t, const char* model, const char* os) {
    files(t, {0}, os);
    board(t, 0, 1).mainboardModel = model;
}

using Decisions = std::vector<std::pair<uint32_t, uint32_t>>;  // board index, reason

struct Case {
    const char* name;
    std::function<void(T&, O&)> arrange;
    int32_t result;
    Decisions decisions;
    const char* output = nullptr;  // "" for none, else a text the output holds
    int matchesAfter = -1;         // of board 0, when checked
    bool failedAfter = false;      // of board 0's first match
};

// The texts no end-to-end run shows.
const char* const kTooOld = "      Incompatible file #00 (fw\\user.bin) FW_COMPATIBILITY_ID: 4\n";
const char* const kM4 =
    "number 42 (VK7101).\n       This board is not supported by firmware version 5.1!";
const char* const kM6 =
    "WARNING: Cannot update board with serial number 42 (VK7101, product version 2.3).\n"
    "            This board is not compatible with firmware version 5.1 (FW_COMPATIBILITY_ID 4).\n"
    "            and will be ignored. A newer version is required for this board (FW_TYPE 5)!\n";
const char* const kM7 = "SN 42 with prototype mainboard\n       D2778-A1 is no longer supported.\n";
const char* const kM8 = "mainboard\n       96M5181x is not supported by 64bit Linux firmware.\n";
const char* const kM9 =
    "VK4050 boards are not supported by firmware version 5.1 (FW_COMPATIBILITY_ID 7).\n"
    "       An OLDER version is required for this device (FW_TYPE 0)!\n"
    "      Incompatible file #00 (fw\\user.bin) FW_COMPATIBILITY_ID: 7\n";

// clang-format off
const Case kCases[] = {
    {"nothing to check", [](T&, O&) {}, 0, {}, ""},
    {"no file, no active part", [](T& t, O&) { board(t, 0x20001); }, 0, {}, ""},
    {"no file, strict class: the check ends",
     [](T& t, O&) { board(t, 0x20004).hasActiveFirmware = true;
                    board(t, 0x20004).hasActiveFpga = true; },
     -1, {{0, ReasonUnsupportedBoard}}},
    {"no file, other class: the check goes on",
     [](T& t, O&) { board(t, 0x2000F).hasUpdateInfoEntry = true;
                    board(t, 0x2000F).hasActiveFirmware = true; },
     0, {{0, ReasonUnsupportedBoardIgnored}, {1, ReasonUnsupportedBoardIgnored}}},
    {"only selected boards count, with their index",
     [](T& t, O& o) { o.boardType = "VK7102"; board(t, 0x20001).hasActiveFirmware = true;
                      board(t, 0x2000F, 0, "VK7102").hasActiveFirmware = true; },
     0, {{1, ReasonUnsupportedBoardIgnored}}},
    {"ION without IP address and UPDATE_INFO",
     [](T& t, O&) { files(t, {4}); noUpdateInfo(board(t, 0, 1), ids::ION[3]); },
     0, {{0, ReasonIonWithoutUpdateInfo}}, nullptr, 0},
    {"FBMODULE without UPDATE_INFO",
     [](T& t, O&) { files(t, {4}); noUpdateInfo(board(t, 0, 1), ids::FBMODULE[2]); },
     0, {{0, ReasonFbModuleWithoutUpdateInfo}}, nullptr, 0},
    {"ION with IP address is judged file by file",
     [](T& t, O&) { files(t, {1}); noUpdateInfo(board(t, 0x20010, 1), ids::ION).hasIpAddress = true;
                    t.table[0].fwType = 2; },
     -1, {{0, ReasonNewerFirmwareRequired}}},
    {"other kinds without UPDATE_INFO are judged file by file",
     [](T& t, O&) { files(t, {0}); noUpdateInfo(board(t, 0, 1), ids::IOROUTER); }, 0, {}, ""},
    {"unsupported hardware: the check ends",
     [](T& t, O&) { files(t, {0}); oldHardware(t, 8); oldHardware(t, 8); },
     -1, {{0, ReasonUnsupportedHardware}}, kM4, 1},
    {"hardware of SW compatibility 9", [](T& t, O&) { files(t, {0}); oldHardware(t, 9); },
     0, {}, ""},
    {"hardware of HW type 2", [](T& t, O&) { files(t, {0}); oldHardware(t, 8).hwType = 2; }, 0, {}},
    {"file at the board's level", [](T& t, O&) { files(t, {5}); board(t, 0x20001, 1).fwType = 5; },
     0, {}, ""},
    {"file too old, strict class: the board's other files are skipped, not later boards",
     [](T& t, O&) { files(t, {4, 4}); verbose(); board(t, 0x20001, 2).fwType = 5;
                    board(t, 0x20001, 2).fwType = 5; },
     -1, {{0, ReasonNewerFirmwareRequired}, {1, ReasonNewerFirmwareRequired}}, kTooOld, 2, true},
    {"file too old, other class",
     [](T& t, O&) { files(t, {4}); verbose(); board(t, 0x2000F, 1).fwType = 5; },
     0, {{0, ReasonNewerFirmwareRequiredIgnored}}, kM6, 0, true},
    {"bus FPGA, boot-loader and inactive files are not judged",
     [](T& t, O&) { files(t, {0, 0, 0}); t.file(0).IsBusFpga = t.file(1).IsBootLoader = true;
                    t.file(2).IsSelected = false; board(t, 0x20001, 3).fwType = 9; },
     0, {}, ""},
    {"prototype mainboard, once per file",
     [](T& t, O&) { files(t, {0, 0}, "Linux64"); t.file(1).OsType = "";
                    board(t, 0, 2).mainboardModel = "D2778-A1"; },
     -1, {{0, ReasonPrototypeMainboard}, {0, ReasonPrototypeMainboard}}, kM7},
    {"prototype mainboard with QNX", [](T& t, O&) { mainboard(t, "D2778", "QNX"); }, 0, {}},
    {"D277 is no prototype", [](T& t, O&) { mainboard(t, "D277", ""); }, 0, {}},
    {"mainboard 96M5181 with Linux64", [](T& t, O&) { mainboard(t, "96M5181x", "Linux64"); },
     -1, {{0, ReasonMainboardWithoutLinux64}}, kM8},
    {"mainboard 96M5181 with QNX", [](T& t, O&) { mainboard(t, "96M5181", "QNX"); }, 0, {}},
    {"VK4050 and FW_COMPATIBILITY_ID 7",
     [](T& t, O&) { files(t, {7}, "", "VKx86_32"); verbose(); board(t, 0, 1, "VKx86_32"); },
     -1, {{0, ReasonOlderFirmwareRequired}}, kM9},
    {"prototype mainboard before VK4050",
     [](T& t, O&) { files(t, {9}, "", "VKx86_32");
                    board(t, 0, 1, "VKx86_32").mainboardModel = "D2778"; },
     -1, {{0, ReasonPrototypeMainboard}}},
    {"VK4050 and FW_COMPATIBILITY_ID 6",
     [](T& t, O&) { files(t, {6}, "QNX", "VKx86_32"); board(t, 0, 1, "VKx86_32"); }, 0, {}},
    {"VKx86_32 of FW type 1",
     [](T& t, O&) { files(t, {7}, "QNX", "VKx86_32"); board(t, 0, 1, "VKx86_32").fwType = 1; },
     0, {}},
};
// clang-format on

using CompatibilityCheck = RunTablesTest;

TEST_F(CompatibilityCheck, DecidesBoardByBoard) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        clear();
        O options;
        c.arrange(*this, options);
        HostRecorder host;
        const auto run = captureOutput(
            [&] { return checkFirmwareCompatibility(table, options, VkCVersion("5.1")); });
        EXPECT_EQ(run.result, c.result) << run.out;
        Decisions decisions;
        for (const ParameterSet& e : host.withCode(EvCompatibility)) {
            decisions.emplace_back(e.value1, e.value2);
        }
        EXPECT_EQ(decisions, c.decisions);
        if (c.output != nullptr) {
            EXPECT_TRUE(*c.output ? run.out.find(c.output) != std::string::npos : run.out.empty())
                << run.out;
        }
        if (c.matchesAfter >= 0) {
            EXPECT_EQ(table[0].matchCount, static_cast<uint32_t>(c.matchesAfter));
            EXPECT_EQ(table[0].fileFailed[0] != 0, c.failedAfter);
            EXPECT_FALSE(table[0].fileFailed.size() > 1 && table[0].fileFailed[1] != 0);
        }
    }
}

}  // namespace
