// Reading target.json: every refused document names the file and the place, hostile files
// (deep nesting, number overflow, a folder or a FIFO in its place) are refused without hanging
// and left out of the device search, and inventory values take the types their form gives. The
// device search: the targets folder and broker.json decide the service state; argument checks.
#include <sys/stat.h>
#include <cstring>
#include <filesystem>
#include <limits>
#include "sim/inventory_json.h"
#include "sim/target_model.h"
#include "sim_test.h"

std::string repeated(const std::string& text, size_t times) {
    std::string all;
    for (size_t i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

TEST_F(SimTest, RefusedTargetNamesTheFileAndThePlace) {
    struct Case {
        const char* at;     // JSON pointer into labTarget() set to value (null: removed); or
        std::string value;  // with at null, the whole text, or "folder" / "fifo"
        std::string says;
    };
    const Case cases[] = {
        {"", "[]", "expected a JSON object"},
        {"/systemName", "", "systemName: expected a text (required)"},
        {"/ipAddress", R"("300.1.1.1")", "ipAddress: \"300.1.1.1\" is no dotted IPv4 address"},
        {"/applications/1", R"("x")", "applications[1]: expected an unsigned 32-bit identifier"},
        {"/updatePolls", "-1", "updatePolls: expected an unsigned number"},
        {"/faults", R"([{"call": "scna"}])", "faults[0].call: expected the name of a call"},
        {"/faults", R"([{"call": "scan", "status": 2}])", "faults[0].status: only an \"upd"},
        {"/faults", R"([{"call": "scan", "bogus": 1}])", "faults[0]: unknown member \"bogus\""},
        {"/inventory", "", "inventory: expected an array of items (required)"},
        {"/inventory/1", "{}", "inventory[1]: the item has no \"id\" text"},
        {"/inventory/0/id", R"("HCN[x]")", "inventory[0].id: \"HCN[x]\" is no inventory ID"},
        {"/inventory/0/items/0/params/SERIAL_NUMBER", "-2", "].params.SERIAL_NUMBER: expected a"},
        {"/inventory/0/params/HCN", "5", "params.HCN: this ID has no natural value type"},
        {"/inventory/0/params/SLOT", R"({"type": "UInt7"})", "params.SLOT.type: expected one of"},
        {"/inventory/0/params/SLOT", R"({"type": "UInt8", "value": 256})", "SLOT.value: expected"},
        {"/inventory/0/items/3", R"({"id": "1000"})", "items[3]: the non-predefined ID 1000 needs"},
        {"/inventory/1", R"({"id": "HCN"})", "inventory[1]: a sibling item already has the ID"},
        {"/inventory/0/kids", "[]", "inventory[0]: unknown member \"kids\""},
        {"/inventory/0/items/1/params/VERSION", R"("1.x")", "VERSION: expected a version text"},
        {"/inventory/0/items/1/params/VERSION.1", R"("2")", "VERSION.1: the item already has"},
        {"/bootLoaders", R"([{"file": "a/../../b", "part": "HCN"}])", "bootLoaders[0].file: exp"},
        {"/bootLoaders", R"([{"file": "/a.bin", "part": "HCN"}])", "bootLoaders[0].file: expec"},
        {"/bootLoaders", R"([{"file": "a", "part": "HCN//X"}])", "bootLoaders[0].part: expected"},
        {"/inventory/0/items/2/updateInfoFrom", R"("5.x")", "updateInfoFrom: expected a version"},
        {nullptr, "{\n  \"systemName\": \"x\",\n  oops\n}", "line 3, column 3: syntax error"},
        {nullptr, "{\"rebootCount\": 1e999}", "line 1, column 21: number overflow parsing '1e999'"},
        {nullptr, repeated("[", 100000), "line 1, column 257: nesting deeper than 256 levels"},
        // Levels 1 and 2 are the document and "inventory"; each item adds two.
        {nullptr, R"({"inventory": [)" + repeated(R"({"id": "HCN", "items": [)", 300),
         "line 1, column " + std::to_string(15 + 127 * 24 + 1) + ": nesting deeper than 256"},
        {nullptr, "folder", "is a folder, not a regular file"},
        {nullptr, "fifo", "is a FIFO, not a regular file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        Json doc = labTarget();
        if (c.at != nullptr && c.value.empty()) {
            doc.erase(c.at + 1);
        } else if (c.at != nullptr) {
            doc[Json::json_pointer(c.at)] = Json::parse(c.value);
        }
        c.at ? sim_.add("t1", doc) : sim_.addText("t1", c.value);
        if (c.value == "folder" || c.value == "fifo") {
            ::unlink(file().c_str());
            ASSERT_EQ(
                c.value == "fifo" ? ::mkfifo(file().c_str(), 0644) : ::mkdir(file().c_str(), 0755),
                0);
        }
        const auto load = [&] {
            vksim::Target target;
            std::string error;
            return vksim::loadTarget(folder_, target, error) ? "loaded" : error;
        };
        if (c.value == "fifo") {  // would hang if it were opened for reading
            EXPECT_EXIT((::alarm(10), std::cerr << load(), exit(0)), ::testing::ExitedWithCode(0),
                        c.says);
            continue;
        }
        const std::string error = load();
        EXPECT_EQ(error.rfind(file() + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        ::rmdir(file().c_str());
    }
    // The search reads every target: a broken one is left out with a warning.
    sim_.add("good", labTarget("good"));
    EXPECT_NE(sim_.open("good"), nullptr) << sim_.problem();
}

TEST_F(SimTest, ABrokenFileFailsTheScan) {
    open(false);
    Json doc = labTarget();
    doc["inventory"][0]["params"]["SLOT"] = -3;
    sim_.add("t1", doc);
    VkCInventoryItem* tree = reinterpret_cast<VkCInventoryItem*>(8);
    EXPECT_TRUE(refused(manager_->scan(pool_, root_, tree), vksim::kErrTargetFile));
    EXPECT_EQ(tree, nullptr);
}

TEST(InventoryJsonTest, BriefAndTypedFormsGiveTheValueType) {
    const std::tuple<const char*, const char*, VkCInventoryParameter::Value> cases[] = {
        {"SERIAL_NUMBER", "\"0x10\"", uint32_t(16)},
        {"SERIAL_NUMBER", "4294967295", uint32_t(4294967295u)},
        {"ACTIVE_FIRMWARE", "2", uint8_t(2)},
        {"VERSION", "\"3.2.1\"", VkCVersion("3.2.1")},
        {"BOARD_TYPE", "\"VK7101\"", VkCString("VK7101")},
        {"SLOT", R"({"type": "Int8", "value": -5})", int8_t(-5)},
        {"SLOT", R"({"type": "UInt16", "value": "070"})", uint16_t(56)},
        {"SLOT", R"({"type": "ULong64", "value": "18446744073709551615"})", UINT64_MAX},
        {"SLOT", R"({"type": "Long64", "value": -9007199254740993})", int64_t(-9007199254740993)},
        {"SLOT", R"({"type": "Float64", "value": 2.5})", 2.5},
        {"SLOT", R"({"type": "Float32", "value": "-inf"})",
         -std::numeric_limits<float>::infinity()},
        {"SLOT", R"({"type": "Version", "value": "1.2.3.4"})", VkCVersion("1.2.3.4")},
        {"1001", R"({"type": "Int32", "value": "-0x10", "descr": "Offset"})", int32_t(-16)}};
    for (const auto& [key, json, expected] : cases) {
        SCOPED_TRACE(std::string(key) + ": " + json);
        const Json items = Json::parse(std::string(R"([{"id": "FIRMWARE", "params": {")") + key +
                                       "\": " + json + "}}]");
        std::string error;
        const auto tree = vksim::buildInventoryTree(items, "test.json", "inventory", error);
        ASSERT_NE(tree, nullptr) << error;
        const auto& parameter = *tree->getItem(Ids::FIRMWARE)->parameters().front();
        EXPECT_EQ(parameter.getValue().index(), expected.index());
        EXPECT_TRUE(parameter.getValue() == expected);
        EXPECT_STREQ(parameter.getDescription(), key[0] == '1' ? "Offset" : key);
    }
}

TEST(InventoryJsonTest, TreeHasARootWithNamedItemsAndRefusesDeepNesting) {
    const Json items = Json::parse(R"([{"id": "HCN", "items": [{"id": "ION.3"},
        {"id": "1000", "descr": "Custom", "params": {"1001": {"type": "String", "value": "x",
         "descr": "Note", "unit": "mm", "modifiable": true, "relevance": 3}}}]}, {"id": "NETC"}])");
    std::string error;
    const auto tree = vksim::buildInventoryTree(items, "test.json", "inventory", error);
    ASSERT_NE(tree, nullptr) << error;
    EXPECT_STREQ(tree->getFirstSubItem()->getNext()->getDescription(), "NETC");
    EXPECT_NE(tree->getItem(Ids::HCN / Ids::ION[3]), nullptr);
    const VkCInventoryItem* custom = tree->getItem(Ids::HCN / VkCInventoryAddress(1000, 1));
    EXPECT_EQ(custom->getAddress().toString().str() + " " + custom->getDescription(),
              "ROOT/HCN/1000 Custom");
    const VkCInventoryParameter* note = custom->getParameter(VkCInventoryAddress(1001, 1));
    EXPECT_EQ(std::string(note->getUnit()) + std::to_string(note->getRelevance()), "mm3");
    Json deep = Json::array({Json::object({{"id", "HCN"}})});
    for (int level = 1; level < 129; ++level) {
        deep = Json::array({Json::object({{"id", "HCN"}, {"items", deep}})});
    }
    EXPECT_NE(vksim::buildInventoryTree(deep[0]["items"], "test.json", "inventory", error), nullptr)
        << "128 levels are fine";
    EXPECT_EQ(vksim::buildInventoryTree(deep, "test.json", "inventory", error), nullptr);
    EXPECT_NE(error.find("].items: items nested deeper than 128 levels"), std::string::npos);
}

TEST_F(SimTest, TargetsFolderAndBrokerJsonDecideTheServiceState) {
    const std::string file = sim_.temp().write("file", "x");
    const std::string broker = sim_.path() + "/broker.json";
    struct Case {
        const char* targets;  // VK_SIM_TARGETS, "-" unset; null: the targets folder
        const char* broker;   // broker.json; null: none, "/": a folder
        int32_t result;
        uint32_t code;
        std::string says;
    };
    const uint32_t unreachable = vksim::kErrServiceUnreachable;
    const Case cases[] = {
        {"-", nullptr, 33, unreachable, "VK_SIM_TARGETS is not set"},
        {"", nullptr, 33, unreachable, "VK_SIM_TARGETS is empty"},
        {"/nowhere", nullptr, 33, unreachable, "/nowhere does not exist"},
        {file.c_str(), nullptr, 33, unreachable, file + " is a file, not a folder"},
        {nullptr, R"({"outdated": true})", 46, vksim::kErrServiceOutdated, ""},
        {nullptr, R"({"outdated": false})", 0, 0, ""},
        {nullptr, "{}", 0, 0, ""},
        {nullptr, R"({"outdated": "yes"})", 33, unreachable, ": outdated: expected true or false"},
        {nullptr, R"({"outdated": )", 33, unreachable, ": line 1, column 14: syntax error"},
        {nullptr, "/", 33, unreachable, broker + ": is a folder, not a regular file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        pool_.reset();
        std::filesystem::remove_all(broker);
        if (c.broker != nullptr && c.broker[0] == '/') {
            std::filesystem::create_directory(broker);
        } else if (c.broker != nullptr) {
            sim_.temp().write("targets/broker.json", c.broker);
        }
        ::setenv("VK_SIM_TARGETS", c.targets ? c.targets : sim_.path().c_str(), 1);
        if (c.targets != nullptr && c.targets[0] == '-') {
            ::unsetenv("VK_SIM_TARGETS");
        }
        VkTFilterHandle filter = nullptr;
        VkLnk_createFilter(pool_, filter, 1);
        VkLnk_applyFilter(pool_, filter);
        VkSDeviceInformation found[2];
        uint32_t count = 2;
        EXPECT_EQ(VkLnk_getDeviceList(pool_, filter, found, count), c.result);
        EXPECT_EQ(count, c.result == 0 ? 1u : 2u);
        EXPECT_NE(lastText(pool_).find(c.says), std::string::npos) << lastText(pool_);
        EXPECT_EQ(lastCode(pool_), c.code);
        VkLnk_deleteFilter(pool_, filter);
    }
}

TEST_F(SimTest, SearchCallsCheckTheirArgumentsAndHandles) {
    VkSDeviceInformation garbage;
    std::memset(garbage.bytes, 0x55, sizeof garbage.bytes);
    VkTDeviceHandle device = &garbage;
    EXPECT_NE(VkLnk_createDeviceHandle(pool_, device, garbage), 0);
    EXPECT_EQ(device, nullptr);
    VkTFilterHandle filter = nullptr;
    ASSERT_EQ(VkLnk_createFilter(pool_, filter, 1), 0);
    const uint32_t one = 1;
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, VkLnk_FILTER_PARAM_8, 4, &one), 0);
    EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, VkLnk_FILTER_PARAM_9, 4, &one), 0);
    const std::pair<uint32_t, uint32_t> badParameters[] = {{VkLnk_FILTER_IPV4, 2}, {7, 4}, {1, 0}};
    for (const auto& [parameter, size] : badParameters) {
        EXPECT_EQ(VkLnk_setFilterParameter(pool_, filter, parameter, size, size ? &one : nullptr),
                  vksim::kResultInvalidArgument);
    }
    uint32_t count = 0;
    EXPECT_EQ(VkLnk_getDeviceList(pool_, filter, nullptr, count), vksim::kResultInvalidArgument)
        << "a filter must be applied first";
    EXPECT_EQ(VkLnk_deleteFilter(pool_, filter), 0);
    EXPECT_EQ(VkLnk_deleteFilter(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(VkLnk_applyFilter(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(VkLnk_deleteDeviceHandle(pool_, filter), vksim::kResultInvalidHandle);
    EXPECT_EQ(pool_.getErrorCount(), 8u);
}
