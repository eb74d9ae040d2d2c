// The trees the reader builds from valid documents, from memory and from files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>

#include "VkNInventoryIDs.h"
#include "description/value_conversion.h"
#include "description_documents.h"
#include "reporting/format.h"
#include "support/temp_folder.h"

namespace {

using docs::item;
using docs::param;
using docs::parseText;
namespace Ids = VkNInventoryIDs;

template <typename T>
T valueOf(const VkCInventoryItem& item, uint32_t category) {
    const VkCInventoryParameter* parameter = item.getParameter(VkCInventoryAddress(category, 1));
    EXPECT_NE(parameter, nullptr) << category;
    return parameter != nullptr ? std::get<T>(parameter->getValue()) : T();
}

TEST(ReaderTree, ValidDocument) {
    using Value = VkCInventoryParameter::Value;
    const std::tuple<const char*, const char*, Value> typed[] = {
        {"UInt8", "0xFF", uint8_t(255)},
        {"UInt16", "65535", uint16_t(65535)},
        {"UInt32", "4294967295", uint32_t(4294967295u)},
        {"ULong64", "18446744073709551615", ~uint64_t(0)},
        {"Int8", "-128", int8_t(-128)},
        {"Int16", "-32768", int16_t(-32768)},
        {"Int32", "-2147483648", int32_t(-2147483647 - 1)},
        {"Long64", "-9223372036854775808", int64_t(~(~uint64_t(0) >> 1))},
        {"Float32", "2.5", 2.5f},
        {"Float64", "1e39", 1e39},
        {"String", "12abc", VkCString("12abc")},
        {"Version", "3.1", VkCVersion("3.1")}};
    std::string typedParams;
    for (uint32_t i = 0; i < 12; ++i) {
        typedParams +=
            param(std::to_string(2001 + i), std::get<0>(typed[i]), std::get<1>(typed[i]), "t");
    }
    const auto parsed = parseText(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- description -->\r\n"
        "<v:ITEM xmlns:v=\"urn:velkor:inventory\" v:ID=\"1000\" Descr=\"Ger\xC3\xA4t\">\r\n\t"
        "<!-- c --> <ITEM ID=\"FIRMWARE[2]\"><PARAM ID=\"VERSION\" Type=\"Version\">\n\t<VALUE>\n"
        "\t1.2.3\n\t</VALUE>\n</PARAM>" +
        param("1001", "String", " a &amp; b ", "a") + param("1002", "UInt32", "1&#50;3", "b") +
        param("1003", "String", "&#x1F600;\xE2\x82\xAC", "c") +
        "<PARAM ID=\"1004\" Descr=\"d\" Type=\"Int16\"><VALUE/></PARAM>"
        "<PARAM ID=\"1005\" Descr=\"e\" Type=\"UInt8\"><RELEVANCE> 0x10 </RELEVANCE><ISMODIFIABLE>"
        "Yes</ISMODIFIABLE><UNIT> m/s </UNIT><v:VALUE> 7 </v:VALUE></PARAM>"
        "<PARAM ID=\"1006\" Descr=\"f\" Type=\"UInt8\"><VALUE>1</VALUE><ISMODIFIABLE>YES"
        "</ISMODIFIABLE><UNIT></UNIT><RELEVANCE>4294967295</RELEVANCE></PARAM>"
        "<PARAM ID=\"1007\" Descr=\"g\" Type=\"UInt8\"><ISMODIFIABLE>NO</ISMODIFIABLE>"
        "<VALUE>1</VALUE></PARAM>" +
        param("1008", "UInt8", "1", "h") + "</ITEM>" + item("FIRMWARE[3]", "FIRMWARE") +
        item(std::to_string(uint32_t(Ids::Category_INFO)), "") + item("3000", "T", {typedParams}) +
        param("VERSION[1]", "Version", "2.0", "VERSION") + "</v:ITEM>\n");
    ASSERT_NE(parsed.result, nullptr) << parsed.err;
    EXPECT_EQ(parsed.err + parsed.out, "");
    const VkCInventoryItem& root = *parsed.result;
    EXPECT_STREQ(root.getDescription(), "Ger\xC3\xA4t");
    EXPECT_EQ(root.getID(), VkCInventoryAddress(1000, 1));
    EXPECT_EQ(root.getParent(), nullptr);
    EXPECT_TRUE(valueOf<VkCVersion>(root, Ids::Category_VERSION) == VkCVersion("2.0"));
    const VkCInventoryItem* firmware = root.getItem(Ids::FIRMWARE[2]);
    ASSERT_NE(firmware, nullptr);
    EXPECT_STREQ(firmware->getDescription(), "FIRMWARE");
    EXPECT_EQ(firmware->getParent(), &root);
    EXPECT_TRUE(valueOf<VkCVersion>(*firmware, Ids::Category_VERSION) == VkCVersion("1.2.3"));
    EXPECT_STREQ(firmware->getParameter(Ids::VERSION)->getDescription(), "VERSION");
    EXPECT_EQ(valueOf<VkCString>(*firmware, 1001).str(), "a& b") << "pieces trimmed one by one";
    EXPECT_EQ(valueOf<uint32_t>(*firmware, 1002), 123u);
    EXPECT_EQ(valueOf<VkCString>(*firmware, 1003).str(), "\xF0\x9F\x98\x80\xE2\x82\xAC");
    EXPECT_EQ(valueOf<int16_t>(*firmware, 1004), 0);
    const VkCInventoryParameter* p[4];
    for (uint32_t i = 0; i < 4; ++i) {
        p[i] = firmware->getParameter(VkCInventoryAddress(1005 + i, 1));
        ASSERT_NE(p[i], nullptr);
    }
    EXPECT_STREQ(p[0]->getDescription(), "e");
    EXPECT_EQ(std::get<uint8_t>(p[0]->getValue()), 7);
    EXPECT_STREQ(p[0]->getUnit(), "m/s");
    EXPECT_TRUE(p[0]->isModifiable());
    EXPECT_EQ(p[0]->getRelevance(), 16u);
    EXPECT_TRUE(p[1]->isModifiable());
    EXPECT_STREQ(p[1]->getUnit(), "") << "an empty UNIT defines an empty unit";
    EXPECT_EQ(p[1]->getRelevance(), 4294967295u);
    EXPECT_FALSE(p[2]->isModifiable() || p[3]->isModifiable());
    EXPECT_EQ(p[3]->getUnit(), nullptr);
    EXPECT_EQ(p[3]->getRelevance(), 0u);
    EXPECT_NE(root.getItem(Ids::FIRMWARE[3]), nullptr);
    EXPECT_NE(root.getItem(Ids::INFO), nullptr);
    const VkCInventoryItem* typedItem = root.getItem(VkCInventoryAddress(3000, 1));
    ASSERT_NE(typedItem, nullptr);
    for (uint32_t i = 0; i < 12; ++i) {
        const VkCInventoryParameter* p = typedItem->getParameter(VkCInventoryAddress(2001 + i, 1));
        ASSERT_NE(p, nullptr) << std::get<0>(typed[i]);
        EXPECT_EQ(p->getTypeCode(), typeCodeFromName(std::get<0>(typed[i])));
        EXPECT_TRUE(p->getValue() == std::get<2>(typed[i])) << std::get<0>(typed[i]);
    }
}

TEST(ReaderTree, ValuesOutsideTheirTypeAreRefused) {
    const std::pair<const char*, const char*> refused[] = {
        {"UInt8", "256"},    {"UInt16", "65536"}, {"UInt32", "-1"},        {"ULong64", "0x"},
        {"Int8", "128"},     {"Int16", "-32769"}, {"Int32", "2147483648"}, {"Long64", "1.5"},
        {"Float32", "1e39"}, {"Float64", "12abc"}};
    for (const auto& [type, text] : refused) {
        const auto parsed = parseText(item("1000", "R", {param("1001", type, text, "P")}));
        EXPECT_EQ(parsed.result, nullptr) << type;
        EXPECT_NE(parsed.err.find(std::string("error: Invalid ") + type +
                                  " value specified for "
                                  "this parameter: \"" +
                                  text + "\"\n"),
                  std::string::npos)
            << parsed.err;
    }
}

TEST(ReaderTree, SiblingsWithTheSameIdAreOneItem) {
    std::string many;
    for (int round = 0; round < 2; ++round) {
        for (int i = 1; i <= 1000; ++i) {
            many += item("2000[" + std::to_string(i) + "]", "S",
                         {param(std::to_string(3000 + round), "UInt8", "1", "p")});
        }
    }
    const auto parsed = parseText(item(
        "1000", "R",
        {item("2000", "First", {param("1001", "UInt8", "1", "a")}), item("FIRMWARE", ""),
         item("2000", "Second", {param("1002", "UInt8", "2", "b")}),
         item("2000.2", "Other", {item("2000.2", "Inner")}), item("FPGAFIRMWARE", "Fpga"), many}));
    ASSERT_NE(parsed.result, nullptr) << parsed.err.substr(0, 200);
    const auto& items = parsed.result->subItems();
    ASSERT_EQ(items.size(), 1002u) << "2000.2 and 2000[2] are one item too";
    EXPECT_STREQ(items[3]->getDescription(), "FPGAFIRMWARE") << "named after its category";
    EXPECT_STREQ(items[0]->getDescription(), "First") << "the second Descr is ignored";
    ASSERT_EQ(items[0]->parameters().size(), 4u) << "2000 and 2000[1] are one item";
    EXPECT_STREQ(items[2]->getDescription(), "Other");
    ASSERT_EQ(items[2]->subItems().size(), 1u) << "a nested item with the same ID is another";
    for (size_t i = 4; i < items.size(); ++i) {
        ASSERT_EQ(items[i]->parameters().size(), 2u) << i;
    }
}

TEST(ReaderTree, NestingIsBoundedAndSiblingsDoNotAddUp) {
    const std::string siblings = docs::repeat(item("2000", "S"), 20000);
    const std::string nested =
        docs::repeat("<ITEM ID=\"1000\" Descr=\"a\">", 10000) + docs::repeat("</ITEM>", 10000);
    for (const std::string& document : {item("1000", "R", {siblings}), nested}) {
        const auto parsed = parseText(document);
        ASSERT_NE(parsed.result, nullptr) << parsed.err.substr(0, 200);
        EXPECT_EQ(parsed.err, "");
    }
}

TEST(ReaderTree, FromFileAsFromMemoryEveryParseIndependent) {
    TempFolder folder;
    folder.write("F\xC3\xBCr Ger\xC3\xA4te/inventory.dtd", "<!ENTITY gain \"2.5\">");
    const std::string path =
        folder.write("F\xC3\xBCr Ger\xC3\xA4te/description.xml",
                     "<!DOCTYPE ITEM SYSTEM \"inventory.dtd\">\n" +
                         item("1000", "C", {param("1001", "Float64", "&gain;", "Gain")}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(parseText("<FOO/>").result, nullptr);
        const auto parsed = captureOutput([&] { return parseInventoryDocument(toWide(path)); });
        ASSERT_NE(parsed.result, nullptr) << parsed.err;
        EXPECT_EQ(parsed.err, "");
        EXPECT_EQ(valueOf<double>(*parsed.result, 1001), 2.5);
    }
}

}  // namespace
