// Host events 21 and 34 of the firmware catalogue, checked byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue_test_support.h"
#include "interface/module_state.h"

namespace {

using namespace description_test;

// What the host saw of one event: the record's bytes and the objects its pointers named,
// copied during the call.
struct SeenEvent {
    unsigned char bytes[64];
    std::string boardType;
    std::string typeName;
    std::string version;
};

std::vector<SeenEvent> seenEvents;

template <typename T>
T at(const SeenEvent& event, size_t offset) {
    T value;
    std::memcpy(&value, event.bytes + offset, sizeof value);
    return value;
}

uint32_t recordingHost(ParameterSet event) {
    SeenEvent seen;
    std::memcpy(seen.bytes, &event, sizeof seen.bytes);
    if (event.eventCode == 34) {
        seen.boardType = at<const VkCString*>(seen, 8)->str();
        seen.typeName = at<const VkCString*>(seen, 16)->str();
        seen.version = at<const VkCVersion*>(seen, 24)->getAsString().str();
    }
    seenEvents.push_back(seen);
    return 77;  // ignored
}

class CatalogueEventsTest : public CatalogueFixture {
  protected:
    CatalogueEventsTest() {
        seenEvents.clear();
        moduleState().hostCallback = recordingHost;
    }
};

TEST_F(CatalogueEventsTest, CountThenOneEventPerEntry) {
    folder.write("fw.bin", std::string(100, 'x'));
    std::vector<std::string> firmware = entryParams("fw.bin", "VK7101", "2.1", 1, 3);
    firmware.push_back(uint32Param("FW_COMPATIBILITY_ID", 0x01020304));
    std::vector<std::string> boot = entryParams("boot.bin", "VKx86_32", "6.0.1", 10, 9);
    options.updateFirmware = true;
    writeDescription(
        descriptionXml(libraryVersionText(),
                       {itemXml("3000", "OTHER", {}), entryXml("FIRMWARE", 1, firmware),
                        entryXml("BUSFPGA", 1, entryParams("bus.bit", "VK7102", "5.0", 4, 7)),
                        entryXml("BOOTLOADER", 1, boot)}));
    ASSERT_EQ(readDescription(), 0) << capturedErrors;
    ASSERT_EQ(seenEvents.size(), 4u);

    const SeenEvent& count = seenEvents[0];
    EXPECT_EQ(at<uint32_t>(count, 0), 21u);
    EXPECT_EQ(at<uint32_t>(count, 8), 3u);
    for (size_t offset = 12; offset < 40; ++offset) {
        EXPECT_EQ(count.bytes[offset], 0) << "event 21, byte " << offset;
    }

    struct Expected {
        const char* boardType;
        const char* typeName;
        const char* version;
        uint32_t updatePass, isMissing, isSelected, fwCompabilityId, isBusFpga;
        uint8_t isBootLoader;
        uint32_t fwType;
    };
    const Expected expected[] = {
        {"VK7101", "Firmware", "2.1", 3, 0, 1, 0x01020304, 0, 0, 1},
        {"VK7102", "FPGA file", "5.0", 7, 1, 0, 0, 1, 0, 4},
        {"VKx86_32", "BootLoader", "6.0.1", 0, 1, 1, 0, 0, 1, 10},
    };
    for (size_t i = 0; i < 3; ++i) {
        const SeenEvent& event = seenEvents[i + 1];
        const Expected& e = expected[i];
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(at<uint32_t>(event, 0), 34u);
        EXPECT_EQ(event.boardType, e.boardType);
        EXPECT_EQ(event.typeName, e.typeName);
        EXPECT_EQ(event.version, e.version);
        EXPECT_EQ(at<uint32_t>(event, 32), e.updatePass);
        EXPECT_EQ(at<uint32_t>(event, 36), e.isMissing);
        EXPECT_EQ(at<uint32_t>(event, 40), 7u) << "maxUpdatePass is final in every event";
        EXPECT_EQ(at<uint32_t>(event, 44), e.isSelected);
        EXPECT_EQ(at<uint32_t>(event, 48), e.fwCompabilityId);
        EXPECT_EQ(at<uint32_t>(event, 52), e.isBusFpga);
        EXPECT_EQ(at<uint8_t>(event, 56), e.isBootLoader);
        EXPECT_EQ(at<uint32_t>(event, 60), e.fwType);
    }
}

TEST_F(CatalogueEventsTest, PointersNameCopiesThatLiveOnlyForTheCall) {
    writeDescription(descriptionXml(
        libraryVersionText(), {entryXml("FIRMWARE", 1, entryParams("a", "VK7101", "2.1", 1, 1))}));
    ASSERT_EQ(readDescription(), 0);
    ASSERT_EQ(seenEvents.size(), 2u);
    const UpdateFileRecord& record = moduleState().fileCatalogue.at(0);
    EXPECT_NE(at<const void*>(seenEvents[1], 8), static_cast<const void*>(&record.BoardType));
    EXPECT_NE(at<const void*>(seenEvents[1], 16), static_cast<const void*>(&record.TypeName));
    EXPECT_NE(at<const void*>(seenEvents[1], 24), static_cast<const void*>(&record.Version));
}

TEST_F(CatalogueEventsTest, EmptyCatalogueSendsOnlyTheCount) {
    writeDescription(descriptionXml(libraryVersionText(), {}));
    ASSERT_EQ(readDescription(), 0);
    ASSERT_EQ(seenEvents.size(), 1u);
    EXPECT_EQ(at<uint32_t>(seenEvents[0], 0), 21u);
    EXPECT_EQ(at<uint32_t>(seenEvents[0], 8), 0u);
}

TEST_F(CatalogueEventsTest, UnreadableDescriptionSendsNothing) {
    EXPECT_EQ(readDescription(), -1);
    EXPECT_TRUE(seenEvents.empty());
}

TEST_F(CatalogueEventsTest, WithoutCallbackTheCatalogueIsTheSame) {
    moduleState().hostCallback = nullptr;
    writeDescription(descriptionXml(
        libraryVersionText(), {entryXml("FIRMWARE", 1, entryParams("a", "VK7101", "2.1", 1, 1))}));
    ASSERT_EQ(readDescription(), 0);
    EXPECT_TRUE(seenEvents.empty());
    EXPECT_EQ(moduleState().fileCount, 1u);
}

}  // namespace
