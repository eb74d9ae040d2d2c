#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "VkCInventoryItem.h"
#include "VkNInventoryIDs.h"

namespace {

using namespace VkNInventoryIDs;

class InventoryTreeTest : public ::testing::Test {
  protected:
    VkCInventoryItem* addItem(VkCInventoryItem& parent, const VkCInventoryAddress& id) {
        auto* item = new VkCInventoryItem(pool, id, id.getCategoryName().c_str());
        parent.addItem(VkCInventoryAddress(), item);
        return item;
    }
    template <typename T>
    void addParameter(VkCInventoryItem& item, const VkCInventoryAddress& id, T value) {
        item.addParameter(pool, VkCInventoryAddress(),
                          new VkCInventoryParameter(pool, id, id.getCategoryName().c_str(), value,
                                                    nullptr, false, 0));
    }

    VkCErrorListPool pool;
};

TEST_F(InventoryTreeTest, PathsReachItemsAndParametersBelowAnItem) {
    VkCInventoryItem root(pool, ROOT, "ROOT");
    VkCInventoryItem* board = addItem(root, HCN);
    VkCInventoryItem* product = addItem(*board, PRODUCT);
    addParameter(*product, BOARD_TYPE, VkCString("VK7101"));
    addParameter(*product, SERIAL_NUMBER, uint32_t{4711});
    addParameter(*board, ACTIVE_FIRMWARE, uint8_t{2});
    VkCInventoryItem* firmware2 = addItem(*board, FIRMWARE[2]);
    addParameter(*firmware2, VERSION, VkCVersion("3.2.1"));

    EXPECT_EQ(root.getItem(HCN / PRODUCT), product);
    EXPECT_EQ(board->getItem(FIRMWARE), nullptr);
    EXPECT_NE(board->getParameter(PRODUCT / BOARD_TYPE), nullptr);
    EXPECT_EQ(board->getParameter(PRODUCT / NAME), nullptr);
    EXPECT_EQ(board->getParameter(HARDWARE / PRODUCT / BOARD_TYPE), nullptr);

    VkCString type;
    uint32_t serial = 0;
    uint8_t active = 0;
    VkCVersion version;
    board->getValue(pool, PRODUCT / BOARD_TYPE, type);
    board->getValue(pool, PRODUCT / SERIAL_NUMBER, serial);
    board->getValue(pool, ACTIVE_FIRMWARE, active);
    board->getValue(pool, FIRMWARE[2] / VERSION, version);
    EXPECT_STREQ(type.c_str(), "VK7101");
    EXPECT_EQ(serial, 4711u);
    EXPECT_EQ(active, 2u);
    EXPECT_STREQ(version.getAsString().c_str(), "3.2.1");
    EXPECT_EQ(pool.getErrorCount(), 0u);
    EXPECT_EQ(firmware2->getAddress(), ROOT / HCN / FIRMWARE[2]);
    EXPECT_STREQ(board->getParameter(ACTIVE_FIRMWARE)->getAddress().toString().c_str(),
                 "ROOT/HCN/ACTIVE_FIRMWARE");
}

TEST_F(InventoryTreeTest, MissingPathsAndOtherValueTypesGiveTheEmptyValueAndAnError) {
    VkCInventoryItem board(pool, HCN, "HCN");
    addParameter(board, SERIAL_NUMBER, uint32_t{5});
    VkCString text("old");
    uint8_t small = 9;
    VkCVersion version("1.0");
    uint32_t number = 7;
    board.getValue(pool, PRODUCT / NAME, text);
    board.getValue(pool, SERIAL_NUMBER, small);  // stored as 32-bit
    board.getValue(pool, SERIAL_NUMBER, version);
    board.getValue(pool, VERSION, number);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(small, 0u);
    EXPECT_EQ(version.getAsULong64(), 0u);
    EXPECT_EQ(number, 0u);
    ASSERT_EQ(pool.getErrorCount(), 4u);
    EXPECT_NE(pool.getErrorText(0).str().find("HCN/PRODUCT/NAME"), std::string::npos);
}

TEST_F(InventoryTreeTest, ChildrenKeepInsertionOrderAndSiblingsChain) {
    VkCInventoryItem root(pool, ROOT, "ROOT");
    VkCInventoryItem* a = addItem(root, ION[3]);
    VkCInventoryItem* b = addItem(root, ION[1]);
    VkCInventoryItem* c = addItem(root, NETC);
    EXPECT_EQ(root.getFirstSubItem(), a);
    EXPECT_EQ(a->getNext(), b);
    EXPECT_EQ(b->getNext(), c);
    EXPECT_EQ(c->getNext(), nullptr);
    EXPECT_EQ(root.getNext(), nullptr);
    EXPECT_EQ(c->getParent(), &root);
    EXPECT_EQ(root.getParent(), nullptr);
    EXPECT_EQ(VkCInventoryItem(pool, HCN, "HCN").getFirstSubItem(), nullptr);
}

TEST_F(InventoryTreeTest, DuplicateParameterIsRefusedWithAnError) {
    VkCInventoryItem item(pool, FIRMWARE, "FIRMWARE");
    addParameter(item, VERSION, VkCVersion("1.0"));
    EXPECT_EQ(pool.getErrorCount(), 0u);
    addParameter(item, VERSION, VkCVersion("2.0"));
    EXPECT_EQ(pool.getErrorCount(), 1u);
    VkCVersion version;
    item.getValue(pool, VERSION, version);
    EXPECT_STREQ(version.getAsString().c_str(), "1.0");
    EXPECT_EQ(item.parameters().size(), 1u);
}

TEST_F(InventoryTreeTest, DeletingAnItemDeletesItsWholeSubtree) {
    // Run under the sanitizer build: a leak or double free fails it.
    auto root = std::make_unique<VkCInventoryItem>(pool, ROOT, "ROOT");
    VkCInventoryItem* level = root.get();
    for (uint32_t i = 1; i <= 50; ++i) {
        level = addItem(*level, SUB_BOARDS[i]);
        addParameter(*level, NAME, VkCString("board"));
    }
    EXPECT_EQ(root->getItem(SUB_BOARDS / SUB_BOARDS[2])->getParent()->getParent(), root.get());
    root.reset();
    SUCCEED();
}

TEST_F(InventoryTreeTest, AVeryDeepTreeIsDeletedWithoutExhaustingTheStack) {
    auto root = std::make_unique<VkCInventoryItem>(pool, ROOT, "ROOT");
    VkCInventoryItem* level = root.get();
    for (int i = 0; i < 1000000; ++i) {
        level = addItem(*level, SUB_BOARDS);
    }
    root.reset();
    SUCCEED();
}

TEST_F(InventoryTreeTest, ParametersKeepTypeUnitAndFlags) {
    VkCInventoryParameter gain(pool, VkCInventoryAddress(1001, 1), "Gain", 2.5, "dB", true, 7);
    EXPECT_EQ(gain.getTypeCode(), VkCInventoryParameter::TypeFloat64);
    EXPECT_STREQ(gain.getUnit(), "dB");
    EXPECT_TRUE(gain.isModifiable());
    EXPECT_EQ(gain.getRelevance(), 7u);
    EXPECT_STREQ(gain.getDescription(), "Gain");
    VkCInventoryParameter small(pool, VERSION, "VERSION", int8_t{-3}, nullptr, false, 0);
    EXPECT_EQ(small.getTypeCode(), VkCInventoryParameter::TypeInt8);
    EXPECT_EQ(small.getUnit(), nullptr);
}

// Every node with its ID, name and parameters (type, unit, flags), depth first.
std::string describeTree(const VkCInventoryItem& item, int depth = 0) {
    std::string text = std::string(size_t(depth) * 2, ' ') + item.getID().toString().str() + " " +
                       item.getDescription() + "\n";
    for (const auto& parameter : item.parameters()) {
        text += std::string(size_t(depth) * 2 + 1, ' ') + parameter->getDescription() + " " +
                std::to_string(parameter->getTypeCode()) + " " +
                (parameter->getUnit() ? parameter->getUnit() : "-") + " " +
                std::to_string(parameter->isModifiable()) +
                std::to_string(parameter->getRelevance()) + "\n";
    }
    for (const auto& child : item.subItems()) {
        EXPECT_EQ(child->getParent(), &item);
        text += describeTree(*child, depth + 1);
    }
    return text;
}

// Nodes made with new and nodes made in the tree's store, predefined and own names, copied,
// and the copy still whole once the original is gone.
TEST_F(InventoryTreeTest, CopyTreeRepeatsEveryNodeAndOutlivesTheOriginal) {
    auto root = std::make_unique<VkCInventoryItem>(pool, ROOT, "ROOT");
    VkCInventoryItem* hcn = addItem(*root, HCN);
    addParameter(*hcn, SERIAL_NUMBER, uint32_t{4711});
    VkCInventoryItem* own = hcn->makeSubItem(pool, VkCInventoryAddress(2001, 3), "Own board");
    ASSERT_NE(own, nullptr);
    own->makeParameter(pool, VkCInventoryAddress(1001, 1), "Gain", 2.5, "dB", true, 7);
    own->makeParameter(pool, VERSION, "VERSION", VkCVersion("1.2"), nullptr, false, 0);
    own->makeSubItem(pool, FIRMWARE, "FIRMWARE");
    addItem(*root, ION[2]);
    const std::string original = describeTree(*root);

    std::unique_ptr<VkCInventoryItem> copy = hcn->copyTree();
    std::unique_ptr<VkCInventoryItem> whole = root->copyTree();
    root.reset();
    ASSERT_NE(whole, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(describeTree(*whole), original);
    EXPECT_EQ(whole->getParent(), nullptr);
    EXPECT_EQ(copy->getParent(), nullptr);
    EXPECT_EQ(copy->getAddress(), HCN);
    uint32_t serial = 0;
    VkCVersion version;
    copy->getValue(pool, SERIAL_NUMBER, serial);
    copy->getValue(pool, VkCInventoryAddress(2001, 3) / VERSION, version);
    EXPECT_EQ(serial, 4711u);
    EXPECT_EQ(version.getAsString(), "1.2");
    EXPECT_EQ(pool.getErrorCount(), 0u);
}

}  // namespace
