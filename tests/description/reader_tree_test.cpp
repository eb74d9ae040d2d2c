// The trees the reader builds from valid documents.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "VkNInventoryIDs.h"
#include "description_test_support.h"

namespace {

using description_test::itemXml;
using description_test::paramXml;
using description_test::parseText;
using Parameter = VkCInventoryParameter;
namespace Ids = VkNInventoryIDs;

const Parameter& parameterAt(const VkCInventoryItem& item, const VkCInventoryAddress& id) {
    const Parameter* parameter = item.getParameter(id);
    EXPECT_NE(parameter, nullptr) << id.toString().c_str();
    static VkCErrorListPool unused;
    static const Parameter missing(unused, VkCInventoryAddress(), "", uint8_t(0), nullptr, false,
                                   0);
    return parameter ? *parameter : missing;
}

TEST(ReaderTree, ExampleContainer) {
    const auto outcome = parseText(
        "<ITEM ID=\"1000\" Descr=\"Container\">\n"
        "  <ITEM ID=\"FIRMWARE[2]\">\n"
        "    <PARAM ID=\"VERSION\" Type=\"Version\"><VALUE>1.2.3</VALUE></PARAM>\n"
        "    <PARAM ID=\"1001\" Descr=\"Gain\" Type=\"Float64\">\n"
        "      <VALUE>2.5</VALUE><UNIT>dB</UNIT>\n"
        "    </PARAM>\n"
        "  </ITEM>\n"
        "</ITEM>\n");
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_EQ(outcome.standardError, "");
    const VkCInventoryItem& root = *outcome.root;
    EXPECT_STREQ(root.getDescription(), "Container");
    EXPECT_EQ(root.getID(), VkCInventoryAddress(1000, 1));
    EXPECT_EQ(root.getParent(), nullptr);
    const VkCInventoryItem* firmware = root.getItem(Ids::FIRMWARE[2]);
    ASSERT_NE(firmware, nullptr);
    EXPECT_STREQ(firmware->getDescription(), "FIRMWARE");
    EXPECT_EQ(firmware->getParent(), &root);
    const Parameter& version = parameterAt(*firmware, Ids::VERSION);
    EXPECT_STREQ(version.getDescription(), "VERSION");
    EXPECT_TRUE(std::get<VkCVersion>(version.getValue()) == VkCVersion("1.2.3"));
    EXPECT_EQ(version.getUnit(), nullptr);
    const Parameter& gain = parameterAt(*firmware, VkCInventoryAddress(1001, 1));
    EXPECT_STREQ(gain.getDescription(), "Gain");
    EXPECT_EQ(std::get<double>(gain.getValue()), 2.5);
    EXPECT_STREQ(gain.getUnit(), "dB");
    EXPECT_FALSE(gain.isModifiable());
    EXPECT_EQ(gain.getRelevance(), 0u);
}

TEST(ReaderTree, EveryTypeReachesItsParameter) {
    const auto outcome = parseText(itemXml(
        "1000", "R",
        {paramXml("1001", "UInt8", "0xFF", "a"), paramXml("1002", "UInt16", "65535", "b"),
         paramXml("1003", "UInt32", "4294967295", "c"),
         paramXml("1004", "ULong64", "18446744073709551615", "d"),
         paramXml("1005", "Int8", "-128", "e"), paramXml("1006", "Int16", "-32768", "f"),
         paramXml("1007", "Int32", "-2147483648", "g"),
         paramXml("1008", "Long64", "-9223372036854775808", "h"),
         paramXml("1009", "Float32", "1.5", "i"), paramXml("1010", "Float64", "-inf", "j"),
         paramXml("1011", "String", "text", "k"), paramXml("1012", "Version", "3.1", "l")}));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    const auto& parameters = outcome.root->parameters();
    ASSERT_EQ(parameters.size(), 12u);
    const uint16_t codes[] = {0x121, 0x122, 0x124, 0x128, 0x111,  0x112,
                              0x114, 0x118, 0x214, 0x218, 0x2000, 0x4000};
    for (size_t i = 0; i < parameters.size(); ++i) {
        EXPECT_EQ(parameters[i]->getTypeCode(), codes[i]) << i;
    }
    EXPECT_EQ(std::get<uint8_t>(parameters[0]->getValue()), 255);
    EXPECT_EQ(std::get<uint64_t>(parameters[3]->getValue()), UINT64_MAX);
    EXPECT_EQ(std::get<int8_t>(parameters[4]->getValue()), -128);
    EXPECT_EQ(std::get<int64_t>(parameters[7]->getValue()), INT64_MIN);
    EXPECT_EQ(std::get<float>(parameters[8]->getValue()), 1.5f);
    EXPECT_EQ(std::get<double>(parameters[9]->getValue()), -INFINITY);
    EXPECT_TRUE(std::get<VkCString>(parameters[10]->getValue()) == "text");
    EXPECT_TRUE(std::get<VkCVersion>(parameters[11]->getValue()) == VkCVersion("3.1"));
}

TEST(ReaderTree, EmptyValues) {
    const auto outcome = parseText(
        itemXml("1000", "R",
                {paramXml("1001", "UInt32", "", "a"), paramXml("1002", "Float64", "", "b"),
                 paramXml("1003", "String", "", "c"),
                 "<PARAM ID=\"1004\" Descr=\"d\" Type=\"Int16\"><VALUE/></PARAM>"}));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    const auto& parameters = outcome.root->parameters();
    EXPECT_EQ(std::get<uint32_t>(parameters[0]->getValue()), 0u);
    EXPECT_EQ(std::get<double>(parameters[1]->getValue()), 0.0);
    EXPECT_TRUE(std::get<VkCString>(parameters[2]->getValue()).isEmpty());
    EXPECT_EQ(std::get<int16_t>(parameters[3]->getValue()), 0);
}

TEST(ReaderTree, UnitModifiableAndRelevanceInAnyOrder) {
    const auto outcome = parseText(
        "<ITEM ID=\"1000\" Descr=\"R\">"
        "<PARAM ID=\"1001\" Descr=\"a\" Type=\"UInt8\"><RELEVANCE> 0x10 </RELEVANCE>"
        "<ISMODIFIABLE>Yes</ISMODIFIABLE><UNIT> m/s </UNIT><VALUE> 7 </VALUE></PARAM>"
        "<PARAM ID=\"1002\" Descr=\"b\" Type=\"UInt8\"><VALUE>1</VALUE>"
        "<ISMODIFIABLE>YES</ISMODIFIABLE></PARAM>"
        "<PARAM ID=\"1003\" Descr=\"c\" Type=\"UInt8\"><VALUE>1</VALUE>"
        "<ISMODIFIABLE>No</ISMODIFIABLE><UNIT></UNIT></PARAM>"
        "<PARAM ID=\"1004\" Descr=\"d\" Type=\"UInt8\"><ISMODIFIABLE>NO</ISMODIFIABLE>"
        "<RELEVANCE>4294967295</RELEVANCE><VALUE>1</VALUE></PARAM>"
        "</ITEM>");
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    const auto& p = outcome.root->parameters();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(std::get<uint8_t>(p[0]->getValue()), 7);
    EXPECT_STREQ(p[0]->getUnit(), "m/s");
    EXPECT_TRUE(p[0]->isModifiable());
    EXPECT_EQ(p[0]->getRelevance(), 16u);
    EXPECT_TRUE(p[1]->isModifiable());
    EXPECT_FALSE(p[2]->isModifiable());
    EXPECT_STREQ(p[2]->getUnit(), "") << "an empty UNIT defines an empty unit";
    EXPECT_FALSE(p[3]->isModifiable());
    EXPECT_EQ(p[3]->getRelevance(), 4294967295u);
    EXPECT_EQ(p[3]->getUnit(), nullptr);
}

TEST(ReaderTree, SiblingItemsWithTheSameIdMerge) {
    const auto outcome =
        parseText(itemXml("1000", "R",
                          {itemXml("2000", "First", {paramXml("1001", "UInt8", "1", "a")}),
                           itemXml("FIRMWARE", "", {}),
                           itemXml("2000", "Second", {paramXml("1002", "UInt8", "2", "b")}),
                           itemXml("2000.2", "Other", {})}));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_EQ(outcome.standardError, "");
    const auto& items = outcome.root->subItems();
    ASSERT_EQ(items.size(), 3u);
    const VkCInventoryItem& merged = *items[0];
    EXPECT_STREQ(merged.getDescription(), "First") << "the second Descr is ignored";
    ASSERT_EQ(merged.parameters().size(), 2u);
    EXPECT_EQ(std::get<uint8_t>(merged.parameters()[1]->getValue()), 2);
    EXPECT_STREQ(items[1]->getDescription(), "FIRMWARE");
    EXPECT_STREQ(items[2]->getDescription(), "Other");
}

TEST(ReaderTree, MergedItemsStillRefuseDuplicateParameters) {
    const auto outcome =
        parseText(itemXml("1000", "R",
                          {itemXml("2000", "A", {paramXml("1001", "UInt8", "1", "a")}),
                           itemXml("2000", "A", {paramXml("1001", "UInt8", "2", "a")})}));
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_NE(outcome.standardError.find("Item already has a parameter with ID \"1001\""),
              std::string::npos);
}

TEST(ReaderTree, NestedItemsWithTheSameIdAreDistinct) {
    const auto outcome =
        parseText(itemXml("1000", "R", {itemXml("2000", "A", {itemXml("2000", "B", {})})}));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    const VkCInventoryItem& outer = *outcome.root->subItems().at(0);
    ASSERT_EQ(outer.subItems().size(), 1u);
    EXPECT_STREQ(outer.subItems()[0]->getDescription(), "B");
}

TEST(ReaderTree, ValueSplitByReferencesIsJoinedFromTrimmedPieces) {
    const auto outcome = parseText(itemXml(
        "1000", "R",
        {paramXml("1001", "String", " a &amp; b ", "a"), paramXml("1002", "String", "x&#65;y", "b"),
         paramXml("1003", "UInt32", "1&#50;3", "c")}));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    const auto& p = outcome.root->parameters();
    EXPECT_EQ(std::get<VkCString>(p[0]->getValue()).str(), "a& b")
        << "the blank before the reference is lost";
    EXPECT_EQ(std::get<VkCString>(p[1]->getValue()).str(), "xAy");
    EXPECT_EQ(std::get<uint32_t>(p[2]->getValue()), 123u);
}

TEST(ReaderTree, TextIsKeptAsUtf8) {
    const auto outcome = parseText(itemXml(
        "1000", "Ger\xC3\xA4t", {paramXml("1001", "String", "&#x1F600;\xE2\x82\xAC", "a")}));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_STREQ(outcome.root->getDescription(), "Ger\xC3\xA4t");
    EXPECT_EQ(std::get<VkCString>(outcome.root->parameters()[0]->getValue()).str(),
              "\xF0\x9F\x98\x80\xE2\x82\xAC");
}

TEST(ReaderTree, PredefinedIdWithItsOwnNameDrawsNoWarning) {
    const auto outcome = parseText(itemXml("1000", "R",
                                           {itemXml("FIRMWARE", "FIRMWARE", {}),
                                            paramXml("VERSION[1]", "Version", "2.0", "VERSION")}));
    ASSERT_NE(outcome.root, nullptr);
    EXPECT_EQ(outcome.standardError, "");
    EXPECT_NE(outcome.root->getParameter(Ids::VERSION), nullptr) << "an explicit index 1 is fine";
}

TEST(ReaderTree, PredefinedIdIsNamedAfterItsCategory) {
    const auto outcome = parseText(itemXml("1000", "R", {itemXml("FIRMWARE", "Firmware", {})}));
    ASSERT_NE(outcome.root, nullptr);
    EXPECT_STREQ(outcome.root->subItems().at(0)->getDescription(), "FIRMWARE");
}

TEST(ReaderTree, NumericIdOfAPredefinedCategory) {
    const std::string id = std::to_string(uint32_t(Ids::Category_INFO));
    const auto outcome = parseText(itemXml("1000", "R", {itemXml(id, "", {})}));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_NE(outcome.root->getItem(Ids::INFO), nullptr);
}

TEST(ReaderTree, ElementsAreMatchedOnTheirLocalName) {
    const auto outcome = parseText(
        "<v:ITEM xmlns:v=\"urn:velkor:inventory\" v:ID=\"1000\" Descr=\"R\">"
        "<v:PARAM ID=\"VERSION\" Type=\"Version\"><v:VALUE>1.0</v:VALUE></v:PARAM></v:ITEM>");
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_NE(outcome.root->getParameter(Ids::VERSION), nullptr);
}

TEST(ReaderTree, WhiteSpaceAndCommentsBetweenElementsAreIgnored) {
    const auto outcome = parseText(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- description -->\r\n"
        "<ITEM ID=\"1000\" Descr=\"R\">\r\n\t <!-- c --> \n<PARAM ID=\"VERSION\" "
        "Type=\"Version\">\n\t<VALUE>\n\t1.0\n\t</VALUE>\n</PARAM>\n</ITEM>\n");
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_EQ(outcome.standardError, "");
}

}  // namespace

namespace {

std::string nestedItems(size_t depth) {
    std::string document;
    for (size_t i = 0; i < depth; ++i) {
        document += "<ITEM ID=\"1000\" Descr=\"a\">";
    }
    for (size_t i = 0; i < depth; ++i) {
        document += "</ITEM>";
    }
    return document;
}

TEST(ReaderDepth, TenThousandLevelsAreRead) {
    const auto outcome = parseText(nestedItems(10000));
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError;
    EXPECT_EQ(outcome.standardError, "");
}

TEST(ReaderDepth, DeeperNestingIsRefused) {
    const auto outcome = parseText(nestedItems(10001));
    const size_t tag = std::string("<ITEM ID=\"1000\" Descr=\"a\">").size();
    EXPECT_EQ(outcome.standardError, "doc.xml:1:" + std::to_string(10001 * tag + 1) +
                                         ": error: Inventory items are nested more than 10000 "
                                         "levels deep!\n");
    EXPECT_EQ(outcome.root, nullptr);
}

TEST(ReaderTree, ManySiblingsMergeByTheirIds) {
    std::string document = "<ITEM ID=\"1000\" Descr=\"R\">";
    for (int round = 0; round < 2; ++round) {
        for (int i = 1; i <= 1000; ++i) {
            document += "<ITEM ID=\"2000[" + std::to_string(i) + "]\" Descr=\"S\"><PARAM ID=\"" +
                        std::to_string(3000 + round) + "\" Descr=\"p\" Type=\"UInt8\"><VALUE>" +
                        std::to_string(round) + "</VALUE></PARAM></ITEM>";
        }
    }
    const auto outcome = parseText(document + "</ITEM>");
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError.substr(0, 200);
    const auto& items = outcome.root->subItems();
    ASSERT_EQ(items.size(), 1000u);
    for (const auto& item : items) {
        ASSERT_EQ(item->parameters().size(), 2u) << item->getID().toString().c_str();
    }
    EXPECT_EQ(items[999]->getID(), VkCInventoryAddress(2000, 1000));
}

TEST(ReaderDepth, SiblingsDoNotAddUp) {
    std::string document = "<ITEM ID=\"1000\" Descr=\"R\">";
    for (int i = 0; i < 20000; ++i) {
        document += "<ITEM ID=\"2000\" Descr=\"S\"></ITEM>";  // the same item, entered again
    }
    const auto outcome = parseText(document + "</ITEM>");
    ASSERT_NE(outcome.root, nullptr) << outcome.standardError.substr(0, 200);
    EXPECT_EQ(outcome.root->subItems().size(), 1u);
}

}  // namespace
