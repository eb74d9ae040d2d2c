// Versions (parsing, text, order), error lists (message placeholders, warnings, pools), inventory
// trees (values read by path, refused duplicate parameters, copies, deletion of deep trees).
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include "VkCErrorList.h"
#include "VkCInventoryItem.h"
#include "VkCVersion.h"
#include "VkNInventoryIDs.h"

TEST(VkCVersionTest, TextHasOneToSixDecimalComponentsAndOrdersByValue) {
    // Accepted texts, each with the text it prints as after "=" when that differs.
    std::istringstream accepted("3=3.0 5.1.0=5.1 0.0.9 1.0.0.0.0.7 255.255.255.255.65535.65535");
    for (std::string text; accepted >> text;) {
        VkCVersion version;
        EXPECT_TRUE(version.setByString(text.substr(0, text.find('=')).c_str())) << text;
        EXPECT_EQ(version.getAsString().str(), text.substr(text.find('=') + 1)) << text;
    }
    for (const char* text :
         {"", "256", "1.2.3.4.65536", "1.2.3.4.5.6.7", "1..2", ".1", "1.", " 1.2", "+1.2", "-1",
          "1.x", "0x10", static_cast<const char*>(nullptr)}) {
        VkCVersion version(1, 1, 1, 1, 1, 1);
        EXPECT_FALSE(version.setByString(text)) << (text ? text : "null");
        EXPECT_EQ(version, VkCVersion(1, 1, 1, 1, 1, 1)) << "stays as it was";
    }
    EXPECT_EQ(VkCVersion("1.2.3.4.5.6").getAsULong64(),
              (1ULL << 56) | (2ULL << 48) | (3ULL << 40) | (4ULL << 32) | (5ULL << 16) | 6ULL);
    EXPECT_TRUE(VkCVersion("4.9") < VkCVersion("5.0") && VkCVersion("5.1") == VkCVersion("5.1.0"));
    EXPECT_TRUE(VkCVersion("2.0") > VkCVersion("1.255.255.255.65535.65535"));
}

TEST(VkCErrorListTest, PlaceholdersAreFilledAndPoolsCountErrorsApartFromWarnings) {
    VkCErrorListPool pool;
    pool.setError(0x2A, 0, "Boot loader of S/N %1 from '%2' failed.", 42, 3765, "f", "%u%s", 4711u,
                  "bl.bin");
    pool.setError(7, 0, "File '%1' failed. %2 stays", 0, 3620, "f", "%s", "fpga.bit");
    pool.setError(8, VkCErrorList::FlagWarning, "100% of %1 and %9", 0, 0, "f", "%x", 255u);
    EXPECT_STREQ(pool.getErrorText(0).c_str(), "Boot loader of S/N 4711 from 'bl.bin' failed.");
    EXPECT_STREQ(pool.getErrorText(1).c_str(), "File 'fpga.bit' failed. %2 stays");
    EXPECT_STREQ(pool.getErrorText(2).c_str(), "100% of ff and %9");
    EXPECT_EQ(pool.getErrorCode(99), 0u);
    EXPECT_STREQ(pool.getErrorText(99).c_str(), "");
    VkCErrorListPool all;
    all += pool;
    all += all;
    EXPECT_EQ(all.getEntryCount(), 6u);
    EXPECT_EQ(all.getErrorCount(), 4u) << "warnings are entries but no errors";
}

using namespace VkNInventoryIDs;

// Every node with its ID, name and parameters (type, unit, flags), depth first.
std::string describe(const VkCInventoryItem& item, const std::string& indent = "") {
    std::string text = indent + item.getID().toString().str() + " " + item.getDescription() + "\n";
    for (const auto& parameter : item.parameters()) {
        text += indent + " " + parameter->getDescription() + " " +
                std::to_string(parameter->getTypeCode()) + " " +
                (parameter->getUnit() ? parameter->getUnit() : "-") + " " +
                std::to_string(parameter->isModifiable()) +
                std::to_string(parameter->getRelevance()) + "\n";
    }
    for (const auto& child : item.subItems()) {
        EXPECT_EQ(child->getParent(), &item);
        text += describe(*child, indent + "  ");
    }
    return text;
}

TEST(VkCInventoryItemTest, ValuesByPathDuplicatesAndCopies) {
    VkCErrorListPool pool;
    auto root = std::make_unique<VkCInventoryItem>(pool, ROOT, "ROOT");
    VkCInventoryItem* hcn = std::make_unique<VkCInventoryItem>(pool, HCN, "HCN").release();
    root->addItem(VkCInventoryAddress(), hcn);  // made with new: so are its nodes
    hcn->makeParameter(pool, SERIAL_NUMBER, "SERIAL_NUMBER", uint32_t{4711}, nullptr, false, 0);
    VkCInventoryItem* own = root->makeSubItem(pool, VkCInventoryAddress(2001, 3), "Own board");
    own->makeParameter(pool, VkCInventoryAddress(1001, 1), "Gain", 2.5, "dB", true, 7);
    own->makeParameter(pool, VERSION, "VERSION", VkCVersion("1.2"), nullptr, false, 0);
    own->makeSubItem(pool, FIRMWARE, "FIRMWARE");
    hcn->makeSubItem(pool, PRODUCT, "PRODUCT");
    const auto add = [&](const VkCInventoryAddress& id, auto value) {
        hcn->addParameter(
            pool, {},
            std::make_unique<VkCInventoryParameter>(pool, id, "p", value, nullptr, false, 0)
                .release());
    };
    add(SLOT, int8_t{-3});
    add(ACTIVE_FIRMWARE, uint8_t{2});
    add(NAME, VkCString("x"));
    add(SERIAL_NUMBER, VkCVersion("2"));  // refused: hcn has it
    EXPECT_EQ(own->makeParameter(pool, VERSION, "VERSION", VkCVersion("2"), nullptr, false, 0),
              nullptr);
    EXPECT_EQ(pool.getErrorCount(), 2u) << "a duplicate parameter is refused";
    VkCString text("old");
    uint8_t small = 9;
    VkCVersion version("1.0");
    uint32_t number = 7;
    root->getValue(pool, HCN / PRODUCT / NAME, text);
    root->getValue(pool, HCN / SERIAL_NUMBER, small);  // stored as 32-bit
    root->getValue(pool, HCN / SERIAL_NUMBER, version);
    own->getValue(pool, VERSION, number);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(small + version.getAsULong64() + number, 0u);
    EXPECT_EQ(pool.getErrorCount(), 6u);
    EXPECT_NE(pool.getErrorText(2).str().find("HCN/PRODUCT/NAME"), std::string::npos);
    const std::string original = describe(*root);
    std::unique_ptr<VkCInventoryItem> part = own->copyTree();
    std::unique_ptr<VkCInventoryItem> whole = root->copyTree();
    root.reset();
    EXPECT_EQ(describe(*whole), original);
    EXPECT_EQ(part->getParent(), nullptr);
    EXPECT_EQ(part->getAddress(), VkCInventoryAddress(2001, 3));
    whole->getValue(pool, HCN / SERIAL_NUMBER, number);
    part->getValue(pool, VERSION, version);
    EXPECT_EQ(number, 4711u);
    EXPECT_EQ(version.getAsString(), "1.2");
}

TEST(VkCInventoryItemTest, AVeryDeepTreeIsDeletedWithoutExhaustingTheStack) {
    VkCErrorListPool pool;
    auto root = std::make_unique<VkCInventoryItem>(pool, ROOT, "ROOT");
    VkCInventoryItem* level = root.get();
    for (int i = 0; i < 1000000; ++i) {
        level = level->makeSubItem(pool, SUB_BOARDS, "");
    }
}
