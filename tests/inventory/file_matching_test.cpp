// File matching: which catalogue entries a board matches (the main rule with its tests, the
// bus-FPGA and boot-loader rules, factory mode), the events, traces and catalogue changes.
#include "inventory/file_matching.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/captured_output.h"
#include "support/host_recorder.h"
#include "support/run_tables.h"

namespace {

using F = UpdateFileRecord;
using B = BoardRecord;

struct Case {
    const char* name;
    uint32_t fwType;  // of the one catalogue entry, for board type VK7101 unless arranged
    std::function<void(F&, B&)> arrange;
    bool matches;
    bool factoryMode = false;
    const char* trace = nullptr;  // a text of the verbose output
};

class FileMatching : public RunTablesTest {
  protected:
    // Matches a board of type VK7101 against one entry; checks the result and the events.
    void run(const Case& c, std::vector<uint32_t> eventsOfAMatch) {
        SCOPED_TRACE(c.name);
        clear();
        setCatalogue({makeFile("VK7101", c.fwType, L"f.bin")});
        BoardRecord& board = addBoard("VK7101");
        c.arrange(file(0), board);
        moduleState().verboseOutput = true;
        HostRecorder host;
        VkTCmdOptions options;
        options.factoryMode = c.factoryMode;
        const std::string out = captureOutput([&] {
                                    findUpdateFiles(board, options);
                                    return 0;
                                }).out;
        EXPECT_EQ(board.matchCount, c.matches ? 1u : 0u) << out;
        EXPECT_EQ(file(0).IsNeeded, c.matches);
        EXPECT_EQ(host.codes(), c.matches ? eventsOfAMatch : std::vector<uint32_t>{});
        if (c.trace != nullptr) {
            EXPECT_NE(out.find(c.trace), std::string::npos) << out;
        }
    }
};

// FIRMWARE[2] of the processing unit: file version, platform, board FW type, installed version.
void fw2(F& f, B& b, const char* version, const char* platform, uint32_t fwType,
         const char* installed) {
    f.BoardType = b.boardType = "VKx86_32";
    f.Version = VkCVersion(version);
    b.platformType = platform;
    b.fwType = fwType;
    b.installedVersion(2) = VkCVersion(installed);
}
// A type 10 entry that is no boot-loader entry, against the board's BOOTLOADER[2].
void bl2(F& f, B& b, bool hasBootloader2, const char* installed) {
    f.Version = VkCVersion("1.1");
    b.hasBootloader2 = hasBootloader2;
    b.installedVersion(14) = VkCVersion(installed);
}
// A bus-FPGA entry of board type VK9999 for a board on a PC platform or not.
void busFpga(F& f, B& b, bool pcPlatform) {
    f.IsBusFpga = true;
    f.BoardType = "VK9999";
    b.isPcPlatform = pcPlatform;
}
// A boot-loader entry against the board's boot loaders 1, 2 and 3.
void bootLoader(F& f, B& b, bool loader, bool loader2, bool loader3) {
    f.IsBootLoader = true;
    b.hasBootloader = loader;
    b.hasBootloader2 = loader2;
    b.hasBootloader3 = loader3;
    b.isPcPlatform = true;  // never matters for boot loaders
}

// clang-format off
const Case kMainRule[] = {
    {"no limits", 1, [](F&, B& b) { b.hwCompatibilityId = b.swCompatibilityId = 12345; }, true},
    {"HW compatibility at the maximum", 1,
     [](F& f, B& b) { f.MaxHwCompatibilityId = b.hwCompatibilityId = 3; }, true},
    {"HW compatibility above the maximum", 1,
     [](F& f, B& b) { f.MaxHwCompatibilityId = 3; b.hwCompatibilityId = 4; }, false, false,
     "    f.bin rejected due to mismatching HW compatibility ID (file: 4294967295...3, device: 4)"},
    {"HW compatibility below the minimum", 1,
     [](F& f, B& b) { f.MinHwCompatibilityId = 2; b.hwCompatibilityId = 1; }, false},
    {"SW compatibility above", 1,
     [](F& f, B& b) { f.MinSwCompatibilityId = 2; f.MaxSwCompatibilityId = 5;
                      b.swCompatibilityId = 6; },
     false, false, "rejected due to mismatching SW compatibility ID (file: 2...5, device: 6)"},
    {"SW compatibility below", 1, [](F& f, B&) { f.MinSwCompatibilityId = 1; }, false},
    {"HW type differs", 1, [](F& f, B& b) { f.HwType = 3; b.hwType = 2; }, false, false,
     "f.bin rejected due to mismatching HW type (has 3, required is 2)"},
    {"FPGA type differs", 3, [](F& f, B&) { f.FpgaType = 7; }, false, false,
     "f.bin rejected due to mismatching FPGA type (has 7, required is 0)"},
    {"factory FPGA type differs", 4, [](F& f, B&) { f.FpgaType = 7; }, false},
    {"IO FPGA type differs", 11, [](F& f, B&) { f.FpgaType = 7; }, false},
    {"IO FPGA 2 type differs", 12, [](F& f, B&) { f.FpgaType = 7; }, false},
    {"IO FPGA 3 type differs", 13, [](F& f, B&) { f.FpgaType = 7; }, false},
    {"no FPGA part", 1, [](F& f, B&) { f.FpgaType = 7; }, true},
    {"board type in other case", 1, [](F& f, B&) { f.BoardType = "vk7101"; }, false},
    {"firmware on NETC", 1, [](F&, B& b) { b.isNetworkComponent = true; }, false},
    {"factory firmware on NETC", 2, [](F&, B& b) { b.isNetworkComponent = true; }, false},
    {"FPGA on NETC", 3, [](F&, B& b) { b.isNetworkComponent = true; }, true},
    {"type 14 without UPDATE_INFO entry 14", 14, [](F&, B&) {}, false},
    {"type 14 with UPDATE_INFO entry 14", 14, [](F&, B& b) { b.hasUpdateInfoEntry = true; }, true},
    {"FIRMWARE[2]: all hold", 2, [](F& f, B& b) { fw2(f, b, "3.1", "VKPC", 7, "3.0"); }, true},
    {"FIRMWARE[2]: file 3.0", 2, [](F& f, B& b) { fw2(f, b, "3.0", "VKPC", 7, "2.0"); }, false},
    {"FIRMWARE[2]: VKCN", 2, [](F& f, B& b) { fw2(f, b, "3.1", "VKCN", 7, "3.0"); }, false},
    {"FIRMWARE[2]: FW type 6", 2, [](F& f, B& b) { fw2(f, b, "3.1", "VKPC", 6, "3.0"); }, false},
    {"FIRMWARE[2]: 3.1 there", 2, [](F& f, B& b) { fw2(f, b, "3.1", "VKPC", 7, "3.1"); }, false},
    {"FIRMWARE[2]: factory mode", 2, [](F& f, B& b) { fw2(f, b, "3.1", "VKPC", 7, "3.0"); }, false,
     true},
    {"FIRMWARE[2] of other boards", 2, [](F&, B&) {}, true},
    {"BOOTLOADER[2] newer", 10, [](F& f, B& b) { bl2(f, b, true, "1.0"); }, true},
    {"BOOTLOADER[2] equal", 10, [](F& f, B& b) { bl2(f, b, true, "1.1"); }, false},
    {"no BOOTLOADER[2]", 10, [](F& f, B& b) { bl2(f, b, false, "1.0"); }, false},
    {"BOOTLOADER[2] in factory mode", 10, [](F& f, B& b) { bl2(f, b, true, "1.0"); }, false, true},
};

const Case kOtherRules[] = {
    {"bus FPGA on a PC platform", 3, [](F& f, B& b) { busFpga(f, b, true); }, true},
    {"bus FPGA of the board's type off a PC platform", 3,
     [](F& f, B& b) { busFpga(f, b, false); f.BoardType = "VK7101"; }, false},
    {"bus FPGA skips the main rule tests", 3,
     [](F& f, B& b) { busFpga(f, b, true); f.HwType = 99; f.MinHwCompatibilityId = 50; }, true},
    {"bus FPGA in factory mode", 3, [](F& f, B& b) { busFpga(f, b, true); }, false, true},
    {"type 10 with BOOTLOADER", 10, [](F& f, B& b) { bootLoader(f, b, true, false, false); }, true},
    {"type 11 with BOOTLOADER[3]", 11, [](F& f, B& b) { bootLoader(f, b, false, false, true); },
     true},
    {"type 10 needs BOOTLOADER", 10, [](F& f, B& b) { bootLoader(f, b, false, true, true); },
     false},
    {"type 11 needs BOOTLOADER[3]", 11, [](F& f, B& b) { bootLoader(f, b, true, true, false); },
     false},
    {"boot loader of another board type", 10,
     [](F& f, B& b) { bootLoader(f, b, true, false, false); f.BoardType = "VK7102"; }, false},
    {"boot loader in factory mode", 10, [](F& f, B& b) { bootLoader(f, b, true, false, false); },
     false, true},
};
// clang-format on

TEST_F(FileMatching, MainRuleDecisions) {
    for (const Case& c : kMainRule) {
        run(c, {EvMainRuleMatch, EvFileMatched});
    }
}

TEST_F(FileMatching, BusFpgaAndBootLoaderDecisions) {
    for (const Case& c : kOtherRules) {
        run(c, {EvFileMatched});
    }
}

// Factory mode turns user firmware into factory firmware in the catalogue itself; some
// classes keep theirs (and lose the active flag); other types are refused.
TEST_F(FileMatching, FactoryModeDecisions) {
    const struct {
        const char* boardType;
        uint32_t systemClass, fwType;
        bool matches;
        uint32_t typeAfter;
        bool keepsFirmware, keepsFpga;
        const char* output;  // a text of the verbose output
    } cases[] = {
        {"VK7101", 0x20001, 7, true, 6, true, true, "Matching file found: f.bin  FwType: 6\n"},
        {"VK7101", 0x20014, 3, false, 3, true, false, nullptr},
        {"VK7101", 0x20001, 3, true, 4, true, true, nullptr},
        {"VK7101", 0x2000F, 1, false, 1, false, true, nullptr},
        {"VK7101", 0x20014, 1, true, 2, true, true, nullptr},
        {"VK7101", 0x20001, 2, true, 2, true, true, nullptr},
        {"VK7101", 0x20001, 4, true, 4, true, true, nullptr},
        {"VK7101", 0x20001, 6, true, 6, true, true, nullptr},
        {"VK7101", 0x20001, 8, false, 8, true, true,
         "    f.bin rejected due to unsupported FW type in factory mode (8)\n"},
        {"VK7101", 0x20001, 14, false, 14, true, true, "factory mode (14)"},
        {"VK7201", 0x20001, 7, false, 7, true, true,
         "WARNING: VK7201 FactoryIpl cannot be updated with the UserIpl update file.\n"},
    };
    for (const auto& c : cases) {
        const auto arrange = [&](F& f, B& b) {
            f.BoardType = b.boardType = c.boardType;
            b.systemClass = c.systemClass;
            b.hasActiveFirmware = b.hasActiveFpga = b.hasUpdateInfoEntry = true;
        };
        run({c.boardType, c.fwType, arrange, c.matches, true, c.output},
            {EvMainRuleMatch, EvFileMatched});
        EXPECT_EQ(file(0).FwType, c.typeAfter) << c.fwType;
        EXPECT_EQ(table[0].hasActiveFirmware, c.keepsFirmware) << c.fwType;
        EXPECT_EQ(table[0].hasActiveFpga, c.keepsFpga) << c.fwType;
    }
}

// Every match in catalogue order with its events, match arrays that grow with the catalogue,
// one index for many boards; a factory change of the catalogue stays for later boards.
TEST_F(FileMatching, RecordsEveryMatchInCatalogueOrder) {
    BoardRecord& board = addBoard("VK7101");  // scanned with an empty catalogue
    BoardRecord& pc = addBoard("VKx86_32");
    pc.isPcPlatform = true;
    F bus = makeFile("VK9999", 3);
    bus.IsBusFpga = true;
    setCatalogue({makeFile("VK7102", 1), makeFile("VK7101", 1), bus, makeFile("VK7101", 3)});
    HostRecorder host;
    const CatalogueIndex index;
    findUpdateFiles(board, VkTCmdOptions(), index);
    findUpdateFiles(pc, VkTCmdOptions(), index);
    EXPECT_EQ(board.matchFiles, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(board.fileUpToDate.size() + board.fileFailed.size() + board.fileUpdated.size(), 6u);
    EXPECT_EQ(pc.matchFiles.at(0), 2);
    std::vector<uint32_t> values;
    for (const ParameterSet& e : host.withCode(EvFileMatched)) {
        values.push_back(e.value1);
    }
    EXPECT_EQ(values, (std::vector<uint32_t>{1, 3, 2}));
    EXPECT_EQ(host.codes(), (std::vector<uint32_t>{18, 20, 18, 20, 20}));
    EXPECT_FALSE(file(0).IsNeeded);
    VkTCmdOptions factory;
    factory.factoryMode = true;
    board.matchCount = 0;
    board.systemClass = 0x2000F;  // keeps user firmware, but entry 1 is factory firmware now
    board.hasActiveFirmware = true;
    findUpdateFiles(addBoard("VK7101"), factory);
    findUpdateFiles(board, factory);
    EXPECT_EQ(board.matchCount, 2u);
    EXPECT_TRUE(board.hasActiveFirmware);
}

}  // namespace
