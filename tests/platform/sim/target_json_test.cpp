#include <cmath>
#include <functional>
#include <limits>

#include "VkNInventoryIDs.h"
#include "sim/InventoryJson.h"
#include "sim/SimErrors.h"
#include "sim/TargetModel.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

namespace Ids = VkNInventoryIDs;

struct BadTarget {
    const char* name;
    std::function<void(Json&)> spoil;
    const char* message;  // what the error must say after "<file>: "
};

void PrintTo(const BadTarget& c, std::ostream* os) {
    *os << c.name;
}

Json& board(Json& doc) {
    return doc["inventory"][0];
}

const BadTarget kBadTargets[] = {
    {"NotAnObject", [](Json& d) { d = Json::array(); }, "expected a JSON object"},
    {"NoSystemName", [](Json& d) { d.erase("systemName"); },
     "systemName: expected a text (required)"},
    {"BadAddress", [](Json& d) { d["ipAddress"] = "300.1.1.1"; },
     "ipAddress: \"300.1.1.1\" is no dotted IPv4 address"},
    {"BadApplication", [](Json& d) { d["applications"] = Json::parse(R"([1, "x"])"); },
     "applications[1]: expected an unsigned 32-bit identifier"},
    {"NegativePolls", [](Json& d) { d["updatePolls"] = -1; },
     "updatePolls: expected an unsigned number"},
    {"UnknownFaultCall", [](Json& d) { d["faults"] = Json::parse(R"([{"call": "scna"}])"); },
     "faults[0].call: expected the name of a call"},
    {"StatusOnOtherCall",
     [](Json& d) { d["faults"] = Json::parse(R"([{"call": "scan", "status": 2}])"); },
     "faults[0].status: only an \"updateStatus\" fault has a status"},
    {"UnknownFaultMember",
     [](Json& d) { d["faults"] = Json::parse(R"([{"call": "scan", "bogus": 1}])"); },
     "faults[0]: unknown member \"bogus\""},
    {"NoInventory", [](Json& d) { d.erase("inventory"); },
     "inventory: expected an array of items (required)"},
    {"ItemWithoutId", [](Json& d) { d["inventory"] = Json::parse(R"([{"params": {}}])"); },
     "inventory[0]: the item has no \"id\" text"},
    {"BadItemId", [](Json& d) { board(d)["id"] = "HCN[x]"; },
     "inventory[0].id: \"HCN[x]\" is no inventory ID"},
    {"BadBriefNumber", [](Json& d) { board(d)["items"][0]["params"]["SERIAL_NUMBER"] = "abc"; },
     "inventory[0].items[0].params.SERIAL_NUMBER: expected a UInt32 number"},
    {"NoNaturalType", [](Json& d) { board(d)["params"]["HCN"] = 5; },
     "inventory[0].params.HCN: this ID has no natural value type"},
    {"UnknownType",
     [](Json& d) { board(d)["params"]["SLOT"] = Json::parse(R"({"type": "UInt7", "value": 1})"); },
     "inventory[0].params.SLOT.type: expected one of UInt8"},
    {"TypedOutOfRange",
     [](Json& d) {
         board(d)["params"]["SLOT"] = Json::parse(R"({"type": "UInt8", "value": 256})");
     },
     "inventory[0].params.SLOT.value: expected a UInt8 number"},
    {"NumericIdWithoutDescr",
     [](Json& d) { board(d)["items"].push_back(Json::parse(R"({"id": "1000"})")); },
     "inventory[0].items[3]: the non-predefined ID 1000 needs a \"descr\" text"},
    {"DuplicateSibling", [](Json& d) { d["inventory"].push_back(Json::parse(R"({"id": "HCN"})")); },
     "inventory[1]: a sibling item already has the ID \"HCN\""},
    {"UnknownItemMember", [](Json& d) { board(d)["kids"] = Json::array(); },
     "inventory[0]: unknown member \"kids\""},
    {"BadVersion", [](Json& d) { board(d)["items"][1]["params"]["VERSION"] = "1.x"; },
     "inventory[0].items[1].params.VERSION: expected a version text"},
    {"SameParameterTwice", [](Json& d) { board(d)["items"][1]["params"]["VERSION.1"] = "2.0"; },
     "inventory[0].items[1].params.VERSION.1: the item already has the parameter VERSION"},
    {"BootLoaderOutOfTheDrive",
     [](Json& d) {
         d["bootLoaders"] = Json::parse(R"([{"file": "boot/a.bin", "part": "HCN"},
                                             {"file": "boot/../../a.bin", "part": "HCN"}])");
     },
     "bootLoaders[1].file: expected a file path below cfdrive"},
    {"BootLoaderAbsoluteFile",
     [](Json& d) { d["bootLoaders"] = Json::parse(R"([{"file": "/a.bin", "part": "HCN"}])"); },
     "bootLoaders[0].file: expected a file path below cfdrive"},
    {"BootLoaderBadPart",
     [](Json& d) { d["bootLoaders"] = Json::parse(R"([{"file": "a.bin", "part": "HCN//X"}])"); },
     "bootLoaders[0].part: expected item IDs"},
    {"BadUpdateInfoFrom", [](Json& d) { board(d)["items"][2]["updateInfoFrom"] = "5.x"; },
     "inventory[0].items[2].updateInfoFrom: expected a version text"},
};

class BadTargetTest : public SimTest, public ::testing::WithParamInterface<BadTarget> {};

TEST_P(BadTargetTest, ErrorNamesTheFileAndThePlace) {
    Json doc = standardTarget();
    GetParam().spoil(doc);
    const std::string folder = addTarget("t1", doc);
    vksim::Target target;
    std::string error;
    EXPECT_FALSE(vksim::loadTarget(folder, target, error));
    EXPECT_EQ(error.rfind(folder + "/target.json: " + GetParam().message, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(TargetJson, BadTargetTest, ::testing::ValuesIn(kBadTargets),
                         [](const auto& info) { return std::string(info.param.name); });

std::string repeated(const std::string& text, size_t times) {
    std::string all;
    for (size_t i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

// Items nested depth deep in a target.json, written as text: too deep for a JSON value.
std::string deepItems(size_t depth) {
    return R"({"inventory": [)" + repeated(R"({"id": "HCN", "items": [)", depth) +
           repeated("]}", depth) + "]}";
}

struct BadText {
    const char* name;
    std::string text;
    std::string message;  // what the error must say after "<file>: "
};

void PrintTo(const BadText& c, std::ostream* os) {
    *os << c.name;
}

class BadTargetTextTest : public SimTest, public ::testing::WithParamInterface<BadText> {};

// Deep nesting is refused while parsing, before the stack or the memory run out.
TEST_P(BadTargetTextTest, ErrorNamesLineAndColumn) {
    const std::string folder = addTargetText("t1", GetParam().text);
    vksim::Target target;
    std::string error;
    EXPECT_FALSE(vksim::loadTarget(folder, target, error));
    EXPECT_EQ(error.rfind(folder + "/target.json: " + GetParam().message, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(
    TargetJson, BadTargetTextTest,
    ::testing::Values(
        BadText{"Syntax", "{\n  \"systemName\": \"x\",\n  oops\n}", "line 3, column 3: "},
        BadText{"NumberTooLarge", "{\n  \"systemName\": \"x\",\n  \"rebootCount\": 1e999\n}",
                "line 3, column 22: number overflow parsing '1e999'"},
        BadText{"DeepArrays", repeated("[", 100000) + repeated("]", 100000),
                "line 1, column 257: nesting deeper than 256 levels"},
        // Levels 1 and 2 are the document and "inventory"; each item adds two.
        BadText{"DeepItems", deepItems(30000),
                "line 1, column " + std::to_string(15 + 127 * 24 + 1) +
                    ": nesting deeper than 256 levels"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, ScanOfABrokenTargetGivesNoTreeAndTheError) {
    addTarget("t1", standardTarget());
    OpenTarget open;
    ASSERT_TRUE(open.open("lab1", false));
    Json doc = standardTarget();
    board(doc)["params"]["SLOT"] = -3;
    const std::string folder = addTarget("t1", doc);
    VkCInventoryItem* tree = reinterpret_cast<VkCInventoryItem*>(8);
    EXPECT_NE(VkCInventoryManager::getInstance()->scan(open.pool, open.root, tree), 0);
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(lastErrorCode(open.pool), vksim::kErrTargetFile);
    EXPECT_NE(lastErrorText(open.pool).find(folder + "/target.json: inventory[0].params.SLOT"),
              std::string::npos)
        << lastErrorText(open.pool);
}

TEST_F(SimTest, DefaultsOfTheOptionalFields) {
    Json doc = standardTarget();
    doc.erase("applications");
    const std::string folder = addTarget("t1", doc);
    vksim::Target target;
    std::string error;
    ASSERT_TRUE(vksim::loadTarget(folder, target, error)) << error;
    EXPECT_EQ(target.updatePolls, 3u);
    EXPECT_EQ(target.rebootCount, 0u);
    EXPECT_TRUE(target.applications.empty());
    EXPECT_TRUE(target.faults.empty());
    EXPECT_EQ(target.ipAddress, (192u << 24) | (168u << 16) | 10u);
}

struct ValueCase {
    const char* key;
    const char* json;
    VkCInventoryParameter::Value expected;
    const char* name;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.key << ": " << c.json;
}

class ParameterValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ParameterValueTest, BriefAndTypedFormsGiveTheValueType) {
    const Json items = Json::parse(std::string(R"([{"id": "FIRMWARE", "params": {")") +
                                   GetParam().key + "\": " + GetParam().json + "}}]");
    std::string error;
    std::unique_ptr<VkCInventoryItem> tree =
        vksim::buildInventoryTree(items, "test.json", "inventory", error);
    ASSERT_NE(tree, nullptr) << error;
    const VkCInventoryItem* item = tree->getItem(Ids::FIRMWARE);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->parameters().size(), 1u);
    const VkCInventoryParameter& parameter = *item->parameters().front();
    EXPECT_EQ(parameter.getValue().index(), GetParam().expected.index());
    EXPECT_TRUE(parameter.getValue() == GetParam().expected);
    EXPECT_STREQ(parameter.getDescription(), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ParameterValueTest,
    ::testing::Values(
        ValueCase{"SERIAL_NUMBER", "\"0x10\"", uint32_t(16), "SERIAL_NUMBER"},
        ValueCase{"SERIAL_NUMBER", "4294967295", uint32_t(4294967295u), "SERIAL_NUMBER"},
        ValueCase{"ACTIVE_FIRMWARE", "2", uint8_t(2), "ACTIVE_FIRMWARE"},
        ValueCase{"VERSION", "\"3.2.1\"", VkCVersion("3.2.1"), "VERSION"},
        ValueCase{"BOARD_TYPE", "\"VK7101\"", VkCString("VK7101"), "BOARD_TYPE"},
        ValueCase{"SLOT", R"({"type": "Int8", "value": -5})", int8_t(-5), "SLOT"},
        ValueCase{"SLOT", R"({"type": "UInt16", "value": "070"})", uint16_t(56), "SLOT"},
        ValueCase{"SLOT", R"({"type": "ULong64", "value": "18446744073709551615"})",
                  uint64_t(18446744073709551615ull), "SLOT"},
        ValueCase{"SLOT", R"({"type": "Long64", "value": -9007199254740993})",
                  int64_t(-9007199254740993ll), "SLOT"},
        ValueCase{"SLOT", R"({"type": "Float64", "value": 2.5})", 2.5, "SLOT"},
        ValueCase{"SLOT", R"({"type": "Float32", "value": "-inf"})",
                  -std::numeric_limits<float>::infinity(), "SLOT"},
        ValueCase{"SLOT", R"({"type": "Version", "value": "1.2.3.4"})", VkCVersion("1.2.3.4"),
                  "SLOT"},
        ValueCase{"1001", R"({"type": "Int32", "value": "-0x10", "descr": "Offset"})", int32_t(-16),
                  "Offset"}));

TEST(InventoryJsonTest, TreeBuilderRefusesItemsNestedTooDeep) {
    Json items = Json::array({Json::object({{"id", "HCN"}})});
    for (int level = 1; level < 129; ++level) {
        items = Json::array({Json::object({{"id", "HCN"}, {"items", items}})});
    }
    std::string error;
    EXPECT_EQ(vksim::buildInventoryTree(items, "test.json", "inventory", error), nullptr);
    EXPECT_NE(error.find("].items: items nested deeper than 128 levels"), std::string::npos)
        << error;
    EXPECT_NE(vksim::buildInventoryTree(items[0]["items"], "test.json", "inventory", error),
              nullptr)
        << "128 levels are fine";
}

TEST(InventoryJsonTest, TreeHasARootWithTheItemsAndTheirNames) {
    const Json items = Json::parse(R"([
        {"id": "HCN", "items": [
            {"id": "ION.3"},
            {"id": "1000", "descr": "Custom", "params": {
                "1001": {"type": "String", "value": "x", "descr": "Note", "unit": "mm",
                         "modifiable": true, "relevance": 3}}}]},
        {"id": "NETC"}])");
    std::string error;
    std::unique_ptr<VkCInventoryItem> tree =
        vksim::buildInventoryTree(items, "test.json", "inventory", error);
    ASSERT_NE(tree, nullptr) << error;
    EXPECT_TRUE(tree->getID() == Ids::ROOT);
    EXPECT_STREQ(tree->getDescription(), "ROOT");
    const VkCInventoryItem* hcn = tree->getFirstSubItem();
    ASSERT_NE(hcn, nullptr);
    EXPECT_STREQ(hcn->getDescription(), "HCN");
    EXPECT_STREQ(hcn->getNext()->getDescription(), "NETC");
    EXPECT_NE(hcn->getItem(Ids::ION[3]), nullptr);
    const VkCInventoryItem* custom = hcn->getItem(VkCInventoryAddress(1000, 1));
    ASSERT_NE(custom, nullptr);
    EXPECT_STREQ(custom->getDescription(), "Custom");
    const VkCInventoryParameter* note = custom->getParameter(VkCInventoryAddress(1001, 1));
    ASSERT_NE(note, nullptr);
    EXPECT_STREQ(note->getDescription(), "Note");
    EXPECT_STREQ(note->getUnit(), "mm");
    EXPECT_TRUE(note->isModifiable());
    EXPECT_EQ(note->getRelevance(), 3u);
    EXPECT_EQ(custom->getAddress().toString(), "ROOT/HCN/1000");
}

}  // namespace
}  // namespace simtest
