// Every message of the reader's own checks, with its severity and its file:line:column prefix,
// from documents. The failing markup ends its line, so the parser's position (just after the
// markup that raised the message) is the line's length plus one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "description_test_support.h"

namespace {

using description_test::parseText;

const std::string kRoot = "<ITEM ID=\"1000\" Descr=\"Root\">";
const std::string kUInt8Param = "<PARAM ID=\"1001\" Descr=\"P\" Type=\"UInt8\">";
const std::string kVersionParam = "<PARAM ID=\"VERSION\" Type=\"Version\">";
const std::string kGap21(21, ' ');
const std::string kGap25(25, ' ');

struct MessageCase {
    const char* name;
    std::vector<std::string> linesBefore;
    std::string failingLine;  // the message is raised by the last markup of this line
    std::string rest;         // what makes the document well-formed again
    const char* severity;
    std::string message;
};

std::string documentOf(const MessageCase& c) {
    std::string document;
    for (const std::string& line : c.linesBefore) {
        document += line + "\n";
    }
    return document + c.failingLine + c.rest;
}

std::string expectedLineOf(const MessageCase& c) {
    return "doc.xml:" + std::to_string(c.linesBefore.size() + 1) + ":" +
           std::to_string(c.failingLine.size() + 1) + ": " + c.severity + ": " + c.message + "\n";
}

const std::vector<MessageCase>& errorCases() {
    static const std::vector<MessageCase> cases = {
        // Placement of elements.
        {"UnknownElement",
         {kRoot},
         "<FOO>",
         "</FOO></ITEM>",
         "error",
         "Unknown element type: \"FOO\""},
        {"UnknownRootElement",
         {},
         "<Inventory>",
         "</Inventory>",
         "error",
         "Unknown element type: \"Inventory\""},
        {"RootParameter",
         {},
         kVersionParam,
         "<VALUE>1</VALUE></PARAM>",
         "error",
         "A parameter may only be defined for an" + kGap25 + "inventory item!"},
        {"ItemInParameter",
         {kRoot, kUInt8Param},
         "<ITEM ID=\"1002\" Descr=\"I\">",
         "</ITEM></PARAM></ITEM>",
         "error",
         "Only an item can have a sub item!"},
        {"ParameterInParameter",
         {kRoot, kUInt8Param},
         "<PARAM ID=\"1002\" Descr=\"Q\" Type=\"UInt8\">",
         "</PARAM></PARAM></ITEM>",
         "error",
         "A parameter may only be defined for an" + kGap25 + "inventory item!"},
        {"ValueInItem",
         {kRoot},
         "<VALUE>",
         "1</VALUE></ITEM>",
         "error",
         "A value may only be defined for an" + kGap25 + "inventory parameter!"},
        {"ValueInValue",
         {kRoot, kUInt8Param + "<VALUE>"},
         "<VALUE>",
         "1</VALUE></VALUE></PARAM></ITEM>",
         "error",
         "A value may only be defined for an" + kGap25 + "inventory parameter!"},
        {"UnitInItem",
         {kRoot},
         "<UNIT>",
         "dB</UNIT></ITEM>",
         "error",
         "A unit may only be defined for an" + kGap25 + "inventory parameter!"},
        {"ModifiableInItem",
         {kRoot},
         "<ISMODIFIABLE>",
         "Yes</ISMODIFIABLE></ITEM>",
         "error",
         "A modifiable flag may only be defined for an" + kGap25 + "inventory parameter!"},
        {"RelevanceInItem",
         {kRoot},
         "<RELEVANCE>",
         "1</RELEVANCE></ITEM>",
         "error",
         "A relevance level may only be defined for an" + kGap25 + "inventory parameter!"},
        {"DoublyDefinedValue",
         {kRoot, kUInt8Param + "<VALUE>1</VALUE>"},
         "<VALUE>",
         "2</VALUE></PARAM></ITEM>",
         "error",
         "Doubly defined value!"},
        {"VersionWithUnit",
         {kRoot, kVersionParam},
         "<UNIT>",
         "V</UNIT><VALUE>1</VALUE></PARAM></ITEM>",
         "error",
         "A version parameter cannot have a unit!"},
        {"DoublyDefinedUnit",
         {kRoot, kUInt8Param + "<UNIT>dB</UNIT>"},
         "<UNIT>",
         "V</UNIT></PARAM></ITEM>",
         "error",
         "Doubly defined unit!"},
        {"DoublyDefinedModifiable",
         {kRoot, kUInt8Param + "<ISMODIFIABLE>No</ISMODIFIABLE>"},
         "<ISMODIFIABLE>",
         "No</ISMODIFIABLE></PARAM></ITEM>",
         "error",
         "Doubly defined modifiable flag!"},
        {"DoublyDefinedRelevance",
         {kRoot, kUInt8Param + "<RELEVANCE>1</RELEVANCE>"},
         "<RELEVANCE>",
         "2</RELEVANCE></PARAM></ITEM>",
         "error",
         "Doubly defined relevance!"},
        // Attributes.
        {"DeclaredAttributeType",
         {"<!DOCTYPE ITEM [<!ATTLIST ITEM ID ID #IMPLIED>]>"},
         "<ITEM ID=\"FIRMWARE\" Descr=\"R\">",
         "</ITEM>",
         "error",
         "Unexpected attribute type: \"ID\""},
        {"InvalidId",
         {},
         "<ITEM ID=\"FIRMWARE[]\" Descr=\"R\">",
         "</ITEM>",
         "error",
         "Invalid ID \"FIRMWARE[]\"."},
        {"InvalidNumericId",
         {},
         "<ITEM ID=\"0\" Descr=\"R\">",
         "</ITEM>",
         "error",
         "Invalid ID \"0\"."},
        {"DescriptorWithTab",
         {},
         "<ITEM ID=\"1000\" Descr=\"a&#9;b\">",
         "</ITEM>",
         "error",
         "Description string contains tabs or returns!"},
        {"DescriptorWithLineFeed",
         {},
         "<ITEM ID=\"1000\" Descr=\"a&#10;b\">",
         "</ITEM>",
         "error",
         "Description string contains tabs or returns!"},
        {"DescriptorWithReturn",
         {},
         "<ITEM ID=\"1000\" Descr=\"a&#13;b\">",
         "</ITEM>",
         "error",
         "Description string contains tabs or returns!"},
        {"InvalidType",
         {kRoot},
         "<PARAM ID=\"1001\" Descr=\"P\" Type=\"Uint8\">",
         "<VALUE>1</VALUE></PARAM></ITEM>",
         "error",
         "Invalid type: \"Uint8\""},
        {"IdOnValue",
         {kRoot, kUInt8Param},
         "<VALUE ID=\"1\">",
         "1</VALUE></PARAM></ITEM>",
         "error",
         "An ID may only be specified for an inventory" + kGap21 + "item or parameter!"},
        {"DescriptorOnUnit",
         {kRoot, kUInt8Param},
         "<UNIT Descr=\"u\">",
         "dB</UNIT></PARAM></ITEM>",
         "error",
         "A descriptor may only be specified for an inventory" + kGap21 + "item or parameter!"},
        {"TypeOnItem",
         {},
         "<ITEM ID=\"1000\" Descr=\"R\" Type=\"UInt8\">",
         "</ITEM>",
         "error",
         "A type may only be specified for an inventory" + kGap21 + "parameter!"},
        {"TypeOnValue",
         {kRoot, kUInt8Param},
         "<VALUE Type=\"UInt8\">",
         "1</VALUE></PARAM></ITEM>",
         "error",
         "A type may only be specified for an inventory" + kGap21 + "parameter!"},
        {"ItemWithoutId",
         {},
         "<ITEM Descr=\"R\">",
         "</ITEM>",
         "error",
         "You must specify an ID (as attribute) for an inventory item!"},
        {"ItemWithoutDescriptor",
         {},
         "<ITEM ID=\"1000\">",
         "</ITEM>",
         "error",
         "You must specify a descriptor (as attribute) for an inventory item when using "
         "non-predefined ID!"},
        {"ParameterWithoutId",
         {kRoot},
         "<PARAM Descr=\"P\" Type=\"UInt8\">",
         "<VALUE>1</VALUE></PARAM></ITEM>",
         "error",
         "You must specify an ID (as attribute) for an inventory parameter!"},
        {"ParameterWithoutDescriptor",
         {kRoot},
         "<PARAM ID=\"1001\" Type=\"UInt8\">",
         "<VALUE>1</VALUE></PARAM></ITEM>",
         "error",
         "You must specify a descriptor (as attribute) for an inventory parameter when using "
         "non-predefined ID!"},
        {"ParameterWithoutType",
         {kRoot},
         "<PARAM ID=\"VERSION\">",
         "<VALUE>1</VALUE></PARAM></ITEM>",
         "error",
         "You must specify a type (as attribute) for an inventory parameter!"},
        {"ParameterWithIndex",
         {kRoot},
         "<PARAM ID=\"VERSION[2]\" Type=\"Version\">",
         "<VALUE>1</VALUE></PARAM></ITEM>",
         "error",
         "You cannot specify an index (i.e. ID=\"CATEGORY[INDEX]\") for an inventory "
         "parameter!"},
        // Parameter end.
        {"ParameterWithoutValue",
         {kRoot},
         kVersionParam + "</PARAM>",
         "</ITEM>",
         "error",
         "You must specify a value for a parameter!"},
        {"DuplicateParameter",
         {kRoot, kVersionParam + "<VALUE>1</VALUE></PARAM>"},
         kVersionParam + "<VALUE>2</VALUE></PARAM>",
         "</ITEM>",
         "error",
         "Item already has a parameter with ID \"VERSION\""},
        {"DuplicateNumericParameter",
         {kRoot, kUInt8Param + "<VALUE>1</VALUE></PARAM>"},
         "<PARAM ID=\"1001\" Descr=\"Other\" Type=\"String\"><VALUE>x</VALUE></PARAM>",
         "</ITEM>",
         "error",
         "Item already has a parameter with ID \"1001\""},
        {"InvalidVersionValue",
         {kRoot},
         kVersionParam + "<VALUE>1.x</VALUE></PARAM>",
         "</ITEM>",
         "error",
         "Invalid value specified for version parameter."},
        {"EmptyVersionValue",
         {kRoot},
         kVersionParam + "<VALUE></VALUE></PARAM>",
         "</ITEM>",
         "error",
         "Invalid value specified for version parameter."},
    };
    return cases;
}

class ReaderErrorTest : public testing::TestWithParam<MessageCase> {};

TEST_P(ReaderErrorTest, PrintsTheMessageAndDiscardsTheTree) {
    const MessageCase& c = GetParam();
    const auto outcome = parseText(documentOf(c));
    EXPECT_EQ(outcome.standardError, expectedLineOf(c)) << documentOf(c);
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_EQ(outcome.standardOutput, "");
}

INSTANTIATE_TEST_SUITE_P(Table, ReaderErrorTest, testing::ValuesIn(errorCases()),
                         [](const testing::TestParamInfo<MessageCase>& info) {
                             return std::string(info.param.name);
                         });

struct ConversionCase {
    const char* type;
    const char* text;
};

const ConversionCase kConversionCases[] = {
    {"UInt8", "256"},    {"UInt16", "-1"},     {"UInt32", "4294967296"}, {"ULong64", "0x"},
    {"Int8", "128"},     {"Int16", "-32769"},  {"Int32", "2147483648"},  {"Long64", "1.5"},
    {"Float32", "1e39"}, {"Float64", "12abc"},
};

class ValueConversionMessageTest : public testing::TestWithParam<ConversionCase> {};

TEST_P(ValueConversionMessageTest, NamesTheTypeAndTheText) {
    const ConversionCase& c = GetParam();
    const std::string line = "<PARAM ID=\"1001\" Descr=\"P\" Type=\"" + std::string(c.type) +
                             "\"><VALUE>" + c.text + "</VALUE></PARAM>";
    const auto outcome = parseText(kRoot + "\n" + line + "</ITEM>");
    EXPECT_EQ(outcome.standardError,
              "doc.xml:2:" + std::to_string(line.size() + 1) + ": error: Invalid " + c.type +
                  " value specified for this parameter: \"" + c.text + "\"\n");
    EXPECT_EQ(outcome.root, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, ValueConversionMessageTest, testing::ValuesIn(kConversionCases));

// Character data: the parser reports text when it reaches the markup after it, so the position
// is that of the "<" that follows the text.
struct CharacterCase {
    const char* name;
    std::string document;
    std::string expected;
};

const std::vector<CharacterCase>& characterCases() {
    static const std::vector<CharacterCase> cases = {
        {"TextInItem", kRoot + "\n  text  </ITEM>",
         "doc.xml:2:9: error: Unrecognised character data within inventory item: \"text\"\n"},
        {"TextInParameter", kRoot + "\n" + kUInt8Param + " stray <VALUE>1</VALUE></PARAM></ITEM>",
         "doc.xml:2:48: error: Unrecognised character data within inventory parameter: "
         "\"stray\"\n"},
        {"UnitWithTab",
         kRoot + "\n" + kUInt8Param + "<UNIT>d\tB</UNIT><VALUE>1</VALUE></PARAM></ITEM>",
         "doc.xml:2:50: error: Unit string contains tabs or returns!\n"
         "doc.xml:2:50: error: Invalid unit.\n"},
        {"UnitWithLineFeed",
         kRoot + "\n" + kUInt8Param + "<UNIT>d\nB</UNIT><VALUE>1</VALUE></PARAM></ITEM>",
         "doc.xml:3:2: error: Unit string contains tabs or returns!\n"
         "doc.xml:3:2: error: Invalid unit.\n"},
        {"ModifiableInLowerCase",
         kRoot + "\n" + kUInt8Param +
             "<ISMODIFIABLE>yes</ISMODIFIABLE><VALUE>1</VALUE></PARAM></ITEM>",
         "doc.xml:2:58: error: Modifiable flag must be either Yes or No.\n"},
        {"RelevanceTooLarge",
         kRoot + "\n" + kUInt8Param +
             "<RELEVANCE>4294967296</RELEVANCE><VALUE>1</VALUE></PARAM></ITEM>",
         "doc.xml:2:62: error: Relevance level must be UInt32 value.\n"},
        {"RelevanceNegative",
         kRoot + "\n" + kUInt8Param + "<RELEVANCE>-1</RELEVANCE><VALUE>1</VALUE></PARAM></ITEM>",
         "doc.xml:2:54: error: Relevance level must be UInt32 value.\n"},
    };
    return cases;
}

class CharacterDataMessageTest : public testing::TestWithParam<CharacterCase> {};

TEST_P(CharacterDataMessageTest, PrintsTheMessageAndDiscardsTheTree) {
    const auto outcome = parseText(GetParam().document);
    EXPECT_EQ(outcome.standardError, GetParam().expected);
    EXPECT_EQ(outcome.root, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, CharacterDataMessageTest, testing::ValuesIn(characterCases()),
                         [](const testing::TestParamInfo<CharacterCase>& info) {
                             return std::string(info.param.name);
                         });

// Warnings are printed with the warning format and keep the tree.
const std::vector<MessageCase>& warningCases() {
    static const std::vector<MessageCase> cases = {
        {"LeadingBlanks",
         {},
         "<ITEM ID=\"1000\" Descr=\" Root\">",
         "</ITEM>",
         "warning",
         "Description string contains leading blanks!"},
        {"TrailingBlanks",
         {},
         "<ITEM ID=\"1000\" Descr=\"Root \">",
         "</ITEM>",
         "warning",
         "Description string contains trailing blanks!"},
        {"UnknownAttribute",
         {},
         "<ITEM ID=\"1000\" Descr=\"Root\" Colour=\"red\">",
         "</ITEM>",
         "warning",
         "WARNING: Unknown attribute: \"Colour\""},
        {"PredefinedIdWithOtherDescriptor",
         {kRoot},
         "<ITEM ID=\"FIRMWARE\" Descr=\"Firmware\">",
         "</ITEM></ITEM>",
         "warning",
         "Using predefined ID. Descriptor is ignored!"},
        {"PredefinedParameterWithOtherDescriptor",
         {kRoot},
         "<PARAM ID=\"VERSION\" Descr=\"Ver\" Type=\"Version\">",
         "<VALUE>1</VALUE></PARAM></ITEM>",
         "warning",
         "Using predefined ID. Descriptor is ignored!"},
    };
    return cases;
}

class ReaderWarningTest : public testing::TestWithParam<MessageCase> {};

TEST_P(ReaderWarningTest, PrintsTheWarningAndKeepsTheTree) {
    const MessageCase& c = GetParam();
    const auto outcome = parseText(documentOf(c));
    EXPECT_EQ(outcome.standardError, expectedLineOf(c));
    EXPECT_NE(outcome.root, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, ReaderWarningTest, testing::ValuesIn(warningCases()),
                         [](const testing::TestParamInfo<MessageCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ReaderWarnings, BothBlankWarningsForOneDescriptor) {
    const auto outcome = parseText("<ITEM ID=\"1000\" Descr=\" R \"></ITEM>");
    EXPECT_EQ(outcome.standardError,
              "doc.xml:1:29: warning: Description string contains leading blanks!\n"
              "doc.xml:1:29: warning: Description string contains trailing blanks!\n");
    ASSERT_NE(outcome.root, nullptr);
    EXPECT_STREQ(outcome.root->getDescription(), " R ") << "the descriptor is kept unchanged";
}

TEST(ReaderWarnings, WarningThenErrorInOneElement) {
    const auto outcome = parseText("<ITEM Colour=\"red\" Descr=\"R\"></ITEM>");
    EXPECT_EQ(outcome.standardError,
              "doc.xml:1:30: warning: WARNING: Unknown attribute: \"Colour\"\n"
              "doc.xml:1:30: error: You must specify an ID (as attribute) for an inventory "
              "item!\n");
    EXPECT_EQ(outcome.root, nullptr);
}

TEST(ReaderOnlyFirstError, LaterChecksPrintNothing) {
    const auto outcome = parseText(kRoot + "\n<FOO/>\n<BAR/>\n<PARAM ID=\"1\"/>\ntext\n</ITEM>");
    EXPECT_EQ(outcome.standardError, "doc.xml:2:7: error: Unknown element type: \"FOO\"\n");
    EXPECT_EQ(outcome.root, nullptr);
}

TEST(ReaderOnlyFirstError, ParserMessagesStillAppear) {
    const auto outcome = parseText(kRoot + "\n<FOO/>\n<BAR/>\n</ITEM>\n</ITEM>");
    EXPECT_EQ(outcome.standardError,
              "doc.xml:2:7: error: Unknown element type: \"FOO\"\n"
              "doc.xml:5:1: error: XML fatal parse error: comment or processing instruction "
              "expected\n");
    EXPECT_EQ(outcome.root, nullptr);
}

}  // namespace

namespace {

TEST(ReaderMessages, NonAsciiTextIsQuotedAsUtf8) {
    // Columns count characters, not bytes.
    const auto outcome = parseText("<ITEM ID=\"FIRMWARE[\xC3\xA4]\" Descr=\"R\"></ITEM>");
    EXPECT_EQ(outcome.standardError, "doc.xml:1:34: error: Invalid ID \"FIRMWARE[\xC3\xA4]\".\n");
    EXPECT_EQ(outcome.root, nullptr);
}

}  // namespace
