#include "event_json.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "VkCInventoryItem.h"
#include "VkCString.h"
#include "VkCVersion.h"
#include "VkNInventoryIDs.h"

namespace {

ParameterSet eventWith(uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0,
                       uint32_t v4 = 0) {
    ParameterSet event;
    std::memset(&event, 0, sizeof event);
    event.eventCode = code;
    event.value1 = v1;
    event.value2 = v2;
    event.value3 = v3;
    event.value4 = v4;
    return event;
}

struct LineCase {
    ParameterSet event;
    std::string line;
};

TEST(EventJson, DataWordEventsCarryTheirNamedFields) {
    const std::vector<LineCase> cases = {
        {eventWith(0), R"({"event":0})"},
        {eventWith(1), R"({"event":1})"},
        {eventWith(2), R"({"event":2})"},
        {eventWith(3), R"({"event":3})"},
        {eventWith(4, 1), R"({"event":4,"value1":1})"},
        {eventWith(5), R"({"event":5})"},
        {eventWith(8, 7), R"({"event":8,"stageContext":7})"},
        {eventWith(9, 2, 6), R"({"event":9,"boardIndex":2,"reason":6})"},
        {eventWith(10, 3), R"({"event":10,"stageContext":3})"},
        {eventWith(11, 1), R"({"event":11,"result":1})"},
        {eventWith(12, 4), R"({"event":12,"boardIndex":4})"},
        {eventWith(13, 5), R"({"event":13,"stageContext":5})"},
        {eventWith(14, 5), R"({"event":14,"stageContext":5})"},
        {eventWith(15, 5), R"({"event":15,"stageContext":5})"},
        {eventWith(16, 5), R"({"event":16,"stageContext":5})"},
        {eventWith(18, 9), R"({"event":18,"catalogueIndex":9})"},
        {eventWith(19, 1), R"({"event":19,"boardIndex":1})"},
        {eventWith(20, 9), R"({"event":20,"catalogueIndex":9})"},
        {eventWith(21, 5), R"({"event":21,"fileCount":5})"},
        {eventWith(22, 2, 1), R"({"event":22,"stageContext":2,"written":1})"},
        {eventWith(24, 2, 80), R"({"event":24,"stageContext":2,"percent":80})"},
        {eventWith(25, 1, 3), R"({"event":25,"boardIndex":1,"matchIndex":3})"},
        {eventWith(26, 2, 1, 4, 0),
         R"({"event":26,"stageContext":2,"stageKind":1,"boardIndex":4,"matchIndex":0})"},
        {eventWith(28, 2, 1, 4, 3),
         R"({"event":28,"stageContext":2,"pass":1,"boardIndex":4,"matchIndex":3})"},
        {eventWith(30, 2, 1, 0, 6),
         R"({"event":30,"stageContext":2,"boardIndex":1,"matchIndex":0,"errorCount":6})"},
        {eventWith(99, 1, 2, 3, 4), R"({"event":99,"value1":1,"value2":2,"value3":3,"value4":4})"},
    };
    for (const LineCase& c : cases) {
        EXPECT_EQ(eventToJsonLine(c.event), c.line);
    }
}

TEST(EventJson, MessageEventCarriesItsText) {
    VkCString text("INFO: \"quoted\"\tand a line end\n");
    ParameterSet event = eventWith(35);
    event.text1 = &text;
    EXPECT_EQ(eventToJsonLine(event),
              R"({"event":35,"text":"INFO: \"quoted\"\tand a line end\n"})");
}

TEST(EventJson, InvalidUtf8InATextIsReplacedNotFatal) {
    VkCString text("bad \xFF byte");
    ParameterSet event = eventWith(35);
    event.text1 = &text;
    EXPECT_EQ(eventToJsonLine(event), "{\"event\":35,\"text\":\"bad \xEF\xBF\xBD byte\"}");
}

TEST(EventJson, MessageEventWithoutTextHasAnEmptyText) {
    EXPECT_EQ(eventToJsonLine(eventWith(35)), R"({"event":35,"text":""})");
}

TEST(EventJson, CatalogueEntryEventCarriesTheEntry) {
    VkCString boardType("VK7101");
    VkCString typeName("FPGA firmware");
    VkCVersion version("5.1.2");
    ParameterSet event = eventWith(34);
    event.text1 = &boardType;
    event.text2 = &typeName;
    event.ref1 = &version;
    event.updatePass = 2;
    event.isMissing = 1;
    event.maxUpdatePass = 3;
    event.isSelected = 1;
    event.fwCompabilityId = 7;
    event.isBusFpga = 0;
    event.isBootLoader = 1;
    event.fwType = 3;
    EXPECT_EQ(eventToJsonLine(event),
              R"({"event":34,"boardType":"VK7101","typeName":"FPGA firmware","version":"5.1.2",)"
              R"("updatePass":2,"isMissing":true,"maxUpdatePass":3,"isSelected":true,)"
              R"("fwCompabilityId":7,"isBusFpga":false,"isBootLoader":true,"fwType":3})");
}

class ScanEventTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* hcn = new VkCInventoryItem(pool_, VkNInventoryIDs::HCN, "HCN");
        auto* subBoards = new VkCInventoryItem(pool_, VkNInventoryIDs::SUB_BOARDS, "SUB_BOARDS");
        ion_ = new VkCInventoryItem(pool_, VkNInventoryIDs::ION[2], "ION");
        root_.addItem(VkCInventoryAddress(), hcn);
        hcn->addItem(VkCInventoryAddress(), subBoards);
        subBoards->addItem(VkCInventoryAddress(), ion_);
    }

    VkCErrorListPool pool_;
    VkCInventoryItem root_{pool_, VkNInventoryIDs::ROOT, "ROOT"};
    VkCInventoryItem* ion_ = nullptr;
};

TEST_F(ScanEventTest, ScannedItemCarriesItsAddressText) {
    ParameterSet event = eventWith(29, 1);
    event.ref2 = ion_;
    EXPECT_EQ(eventToJsonLine(event),
              R"({"event":29,"isBoard":true,"address":"ROOT/HCN/SUB_BOARDS/ION[2]"})");
    event.value1 = 0;
    event.ref2 = &root_;
    EXPECT_EQ(eventToJsonLine(event), R"({"event":29,"isBoard":false,"address":"ROOT"})");
}

TEST_F(ScanEventTest, AppendedBoardCarriesIndexAndAddress) {
    ParameterSet event = eventWith(33, 4);
    event.ref2 = ion_;
    EXPECT_EQ(eventToJsonLine(event),
              R"({"event":33,"boardIndex":4,"address":"ROOT/HCN/SUB_BOARDS/ION[2]"})");
}

TEST_F(ScanEventTest, MissingItemGivesAnEmptyAddress) {
    EXPECT_EQ(eventToJsonLine(eventWith(33, 0)), R"({"event":33,"boardIndex":0,"address":""})");
}

}  // namespace
