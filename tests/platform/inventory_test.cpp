// Inventory addresses and trees: names of paths, values read by path (missing paths and other
// value types give an error), refused duplicate parameters, copies, and deletion of deep trees.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include "VkCInventoryItem.h"
#include "VkNInventoryIDs.h"

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

TEST(VkCInventoryAddressTest, NamesShowIndexesOtherThanOne) {
    EXPECT_EQ((ROOT / HCN / SUB_BOARDS / ION[2]).toString(), "ROOT/HCN/SUB_BOARDS/ION[2]");
    EXPECT_EQ(VkCInventoryAddress(1000, 0).toString(), "1000[0]");
    EXPECT_EQ((ROOT / IOROUTER[4]).getCategoryName(), "IOROUTER");
    EXPECT_EQ(VkCInventoryAddress(4242, 1).getCategoryName(), "");
    EXPECT_EQ((HCN[3] / FIRMWARE)[2], HCN[3] / FIRMWARE[2]) << "[] sets the last index only";
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
        VkCInventoryItem* next = std::make_unique<VkCInventoryItem>(pool, SUB_BOARDS, "").release();
        level->addItem(VkCInventoryAddress(), next);
        level = next;
    }
    root.reset();
}
