// plan --json: the plan as one JSON document on standard output, the run's console output on
// standard error.
#include <filesystem>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

const char kExampleFirmware[] = VK_EXAMPLE_FIRMWARE_DIR;

// One board of the document in one line: "TYPE SERIAL slot N ADDRESS Y|N", then one line per
// file: "  FILE VERSION DECISION pass P|-" with " reason R" for incompatible files.
std::vector<std::string> summaryOf(const nlohmann::json& doc) {
    std::vector<std::string> lines;
    for (const nlohmann::json& board : doc.at("boards")) {
        lines.push_back(board.at("boardType").get<std::string>() + " " +
                        std::to_string(board.at("serialNumber").get<uint32_t>()) + " slot " +
                        std::to_string(board.at("slot").get<uint32_t>()) + " " +
                        board.at("address").get<std::string>() + " " +
                        (board.at("selected").get<bool>() ? "Y" : "N"));
        for (const nlohmann::json& file : board.at("files")) {
            const nlohmann::json& pass = file.at("updatePass");
            std::string line = "  " + file.at("fileName").get<std::string>() + " " +
                               file.at("version").get<std::string>() + " " +
                               file.at("decision").get<std::string>() + " pass " +
                               (pass.is_null() ? "-" : std::to_string(pass.get<uint32_t>()));
            if (file.contains("reason")) {
                line += " reason " + file.at("reason").dump();
            }
            lines.push_back(line);
        }
    }
    return lines;
}

class PlanAsJson : public VkupdateE2eTest {
  protected:
    void SetUp() override {
        VkupdateE2eTest::SetUp();
        copyExampleTarget("lab-rtpc");
        copyExampleTarget("compact-rtpc");
    }

    // Runs plan --json; the document, or a discarded value when standard output is none.
    nlohmann::json planJson(const std::string& systemName,
                            const std::vector<std::string>& options = {}) {
        std::vector<std::string> args = {"--targets",  "$TMP/targets",   "--system", systemName,
                                         "--firmware", kExampleFirmware, "--json"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("plan");
        result_ = run(args);
        return nlohmann::json::parse(result_.out, nullptr, false);
    }

    ProcessResult result_;
};

TEST_F(PlanAsJson, LabPlanHasEveryBoardAndDecision) {
    const nlohmann::json doc = planJson("LAB-RTPC-01");
    EXPECT_EQ(result_.status, 0) << result_.err;
    ASSERT_FALSE(doc.is_discarded()) << result_.out;
    EXPECT_EQ(summaryOf(doc), (std::vector<std::string>{
                                  "VKx86_32 104233 slot 0 ROOT/HCN Y",
                                  "  vkx86_32_firmware_5.0.vkim 5.0 install pass 1",
                                  "  vkx86_32_hypervisor_3.1.2.elf 3.1.2 already installed pass -",
                                  "  vkx86_32_bootloader2_2.3.vkim 2.3 install pass 1",
                                  "  vk9108_bus_1.3.bit 1.3 install pass 2",
                                  "  vkx86_32_bootloader_2.6.bin 2.6 install pass 0",
                                  "VK7120 104871 slot 0 ROOT/HCN/CN Y",
                                  "  vk7120_firmware_5.4.1.vkim 5.4.1 install pass 1",
                                  "  vk7120_fpga_5.2.vkim 5.2 already installed pass -",
                                  "  vk9108_bus_1.3.bit 1.3 install pass 2",
                                  "  vk7120_bootloader_1.9.bin 1.9 install pass 0",
                                  "VK5310 52114 slot 1 ROOT/HCN/SUB_BOARDS/FBMODULE Y",
                                  "  vk5310_firmware_2.7.vkim 2.7 incompatible pass - reason 3",
                                  "VK5420 52877 slot 2 ROOT/HCN/SUB_BOARDS/FBMODULE[2] Y",
                                  "  vk5420_firmware_1.1.vkim 1.1 incompatible pass - reason 3",
                                  "  vk5420_fpga_1.4.vkim 1.4 incompatible pass - reason 3",
                                  "VK6110 61002 slot 0 ROOT/NETWORK/NETC Y",
                                  "VK4360RT 43018 slot 3 ROOT/IOROUTER Y",
                                  "  vk4360rt_firmware_2.4.vkim 2.4 install pass 2",
                                  "  vk4360rt_fpga_2.4.vkim 2.4 missing file pass 2",
                                  "VK2240 70311 slot 0 ROOT/IOROUTER/ION Y",
                                  "  vk2240_firmware_3.1.vkim 3.1 incompatible pass - reason 2",
                                  "  vk2240_fpga_3.1.vkim 3.1 incompatible pass - reason 2",
                                  "VK5130 53020 slot 1 ROOT/IOROUTER/ION[2]/CN/FBMODULE Y",
                                  "  vk5130_firmware_1.5.vkim 1.5 incompatible pass - reason 3",
                                  "VK2260 70588 slot 0 ROOT/IOROUTER[2]/ION Y",
                                  "  vk2260_firmware_3.1.vkim 3.1 incompatible pass - reason 2",
                                  "VK9108 90117 slot 0 ROOT/BACKPLANE Y",
                                  "  vk9108_firmware_1.2.vkim 1.2 already installed pass -",
                              }));
    // Board indices follow the table; catalogue indices and type names are those of the
    // container.
    for (size_t i = 0; i < doc["boards"].size(); ++i) {
        EXPECT_EQ(doc["boards"][i]["boardIndex"], i);
    }
    EXPECT_EQ(doc["boards"][0]["files"][1], nlohmann::json::parse(R"({"catalogueIndex": 1,
                  "fileName": "vkx86_32_hypervisor_3.1.2.elf", "typeName": "Hypervisor firmware",
                  "version": "3.1.2", "updatePass": null, "decision": "already installed"})"));
    // The printed plan went to standard error, unchanged.
    EXPECT_EQ(normalised(result_.err),
              readFileText(std::string(VK_E2E_EXPECTED_DIR) + "/lab_plan.stdout"));
}

TEST_F(PlanAsJson, DocumentIsIndentedByTwoBlanks) {
    planJson("RTPC-COMPACT-07");
    EXPECT_EQ(result_.status, 0) << result_.err;
    const std::string start = "{\n  \"boards\": [\n    {\n      \"boardIndex\": 0,\n";
    EXPECT_EQ(result_.out.substr(0, start.size()), start);
    EXPECT_EQ(result_.out.back(), '\n');
}

TEST_F(PlanAsJson, CompactPlanHasItsHypervisorInstalled) {
    const nlohmann::json doc = planJson("RTPC-COMPACT-07");
    EXPECT_EQ(result_.status, 0) << result_.err;
    ASSERT_FALSE(doc.is_discarded()) << result_.out;
    EXPECT_EQ(summaryOf(doc), (std::vector<std::string>{
                                  "VK7101 118402 slot 0 ROOT/HCN Y",
                                  "  vk7101_firmware_5.3.elf 5.3 install pass 1",
                                  "  vk7101_hypervisor_2.1.elf 2.1 already installed pass -",
                                  "  vk9108_bus_1.3.bit 1.3 install pass 2",
                                  "  vk7101_bootloader_2.7.bin 2.7 install pass 0",
                                  "VK5310 52990 slot 1 ROOT/HCN/SUB_BOARDS/FBMODULE Y",
                                  "  vk5310_firmware_2.7.vkim 2.7 incompatible pass - reason 3",
                                  "VK7120 118977 slot 0 ROOT/CN Y",
                                  "  vk7120_firmware_5.4.1.vkim 5.4.1 install pass 1",
                                  "  vk7120_fpga_5.2.vkim 5.2 install pass 2",
                                  "  vk9108_bus_1.3.bit 1.3 install pass 2",
                                  "  vk7120_bootloader_1.9.bin 1.9 install pass 0",
                                  "VK6120 61377 slot 0 ROOT/NETWORK/NETC[2] Y",
                                  "VK2240 71002 slot 0 ROOT/IOROUTER/ION Y",
                                  "  vk2240_firmware_3.1.vkim 3.1 incompatible pass - reason 2",
                                  "  vk2240_fpga_3.1.vkim 3.1 incompatible pass - reason 2",
                              }));
}

// Boards the filter leaves out are neither checked nor planned: their files are "not
// selected", without a reason.
TEST_F(PlanAsJson, SerialNumberSelectsOneBoard) {
    const nlohmann::json doc = planJson("LAB-RTPC-01", {"--serial", "104871"});
    EXPECT_EQ(result_.status, 0) << result_.err;
    ASSERT_FALSE(doc.is_discarded()) << result_.out;
    const std::vector<std::string> lines = summaryOf(doc);
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 8),
              (std::vector<std::string>{
                  "VKx86_32 104233 slot 0 ROOT/HCN N",
                  "  vkx86_32_firmware_5.0.vkim 5.0 not selected pass -",
                  "  vkx86_32_hypervisor_3.1.2.elf 3.1.2 not selected pass -",
                  "  vkx86_32_bootloader2_2.3.vkim 2.3 not selected pass -",
                  "  vk9108_bus_1.3.bit 1.3 not selected pass -",
                  "  vkx86_32_bootloader_2.6.bin 2.6 not selected pass -",
                  "VK7120 104871 slot 0 ROOT/HCN/CN Y",
                  "  vk7120_firmware_5.4.1.vkim 5.4.1 install pass 1",
              }));
    size_t selectedBoards = 0;
    for (const nlohmann::json& board : doc["boards"]) {
        selectedBoards += board["selected"].get<bool>() ? 1 : 0;
        for (const nlohmann::json& file : board["files"]) {
            if (board["serialNumber"] != 104871) {
                EXPECT_EQ(file["decision"], "not selected") << file;
                EXPECT_FALSE(file.contains("reason")) << file;
            }
        }
    }
    EXPECT_EQ(selectedBoards, 1u);
}

// A part the options leave out is "not selected" even on a selected board; the printed plan
// still shows its pass, and so does the document.
TEST_F(PlanAsJson, PartFilterLeavesFilesOut) {
    const nlohmann::json doc = planJson("LAB-RTPC-01", {"--user-fpga"});
    EXPECT_EQ(result_.status, 0) << result_.err;
    ASSERT_FALSE(doc.is_discarded()) << result_.out;
    const nlohmann::json& router = doc["boards"][5]["files"];
    ASSERT_EQ(router.size(), 2u);
    EXPECT_EQ(router[0]["decision"], "not selected");
    EXPECT_EQ(router[0]["updatePass"], 2);
    EXPECT_EQ(router[1]["decision"], "missing file");
    const nlohmann::json& processingUnit = doc["boards"][0]["files"];
    EXPECT_EQ(processingUnit[3]["fileName"], "vk9108_bus_1.3.bit");
    EXPECT_EQ(processingUnit[3]["decision"], "not selected");
    EXPECT_EQ(processingUnit[4]["decision"], "install");  // boot loaders always take part
}

TEST_F(PlanAsJson, BusFpgaCopyOnTheTargetIsAlreadyInstalled) {
    std::filesystem::copy_file(std::string(kExampleFirmware) + "/vk9108_bus_1.3.bit",
                               targetsFolder() + "/lab-rtpc/cfdrive/vk9108_bus.bit");
    const nlohmann::json doc = planJson("LAB-RTPC-01");
    EXPECT_EQ(result_.status, 0) << result_.err;
    ASSERT_FALSE(doc.is_discarded()) << result_.out;
    for (size_t board : {0, 1}) {
        const nlohmann::json& file = doc["boards"][board]["files"][board == 0 ? 3 : 2];
        EXPECT_EQ(file["fileName"], "vk9108_bus_1.3.bit");
        EXPECT_EQ(file["decision"], "already installed");
        EXPECT_TRUE(file["updatePass"].is_null());
    }
}

// When the compatibility check refuses the container the library ends the process: no
// document, the messages on standard error, exit status 1.
TEST_F(PlanAsJson, RefusedContainerGivesNoDocument) {
    nlohmann::json target = readTargetJson("lab-rtpc");
    target["inventory"][2]["items"][3]["items"][0]["params"]["BOARD_TYPE"] = "VK2250";
    writeTargetJson("lab-rtpc", target);
    planJson("LAB-RTPC-01");
    EXPECT_EQ(result_.status, 1);
    EXPECT_EQ(result_.out, "");
    EXPECT_NE(result_.err.find("ERROR: Cannot update board with serial number 70311 (VK2250, "
                               "product version 0.0).\n"),
              std::string::npos)
        << result_.err;
}

}  // namespace
