// The inventory XML reader: the trees of valid documents; every message, with its position, for
// malformed and hostile documents in one table; the checks no well-formed document reaches (the
// parser pairs start and end tags), driven directly on a context; an error of the parser.
#include <sys/stat.h>
#include <unistd.h>

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "VkCErrorList.h"
#include "VkNInventoryIDs.h"
#include "description/value_conversion.h"
#include "description/xml_input.h"
#include "description/xml_reader.h"
#include "description_documents.h"
#include "reporting/format.h"
#include "support/temp_folder.h"
#include "utf8_conversion.h"

namespace {

using docs::item;
using docs::param;
using docs::parseText;
using docs::repeat;
namespace Ids = VkNInventoryIDs;

template <typename T>
T valueOf(const VkCInventoryItem& item, uint32_t category) {
    const VkCInventoryParameter* parameter = item.getParameter(VkCInventoryAddress(category, 1));
    EXPECT_NE(parameter, nullptr) << category;
    return parameter != nullptr ? std::get<T>(parameter->getValue()) : T();
}

TEST(ReaderTree, ValidDocument) {
    const std::string typed[] = {"UInt8 0xFF",   "UInt16 65535", "UInt32 4294967295",
                                 "Int8 -128",    "Int16 -32768", "Int32 -2147483648",
                                 "Float32 2.5",  "Float64 1e39", "ULong64 18446744073709551615",
                                 "String 12abc", "Version 3.1",  "Long64 -9223372036854775808"};
    std::string typedParams;
    for (uint32_t i = 0; i < 12; ++i) {
        const size_t blank = typed[i].find(' ');
        typedParams += param(std::to_string(2001 + i), typed[i].substr(0, blank),
                             typed[i].substr(blank + 1), "t");
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
        param("1008", "UInt8", "1", "h") + "</ITEM>" + item("3000", "T", {typedParams}) +
        param("VERSION[1]", "Version", "2.0", "VERSION") + "</v:ITEM>\n");
    ASSERT_NE(parsed.result, nullptr) << parsed.err;
    EXPECT_EQ(parsed.err + parsed.out, "");
    const VkCInventoryItem& root = *parsed.result;
    EXPECT_STREQ(root.getDescription(), "Ger\xC3\xA4t");
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
    std::vector<std::string> traits;
    for (uint32_t category = 1005; category <= 1008; ++category) {
        const VkCInventoryParameter& p = *firmware->getParameter(VkCInventoryAddress(category, 1));
        traits.push_back(p.getDescription() +
                         (p.getUnit() ? " unit '" + std::string(p.getUnit()) + "'" : "") +
                         (p.isModifiable() ? " modifiable" : "") + " relevance " +
                         std::to_string(p.getRelevance()));
    }
    EXPECT_EQ(traits, std::vector<std::string>({"e unit 'm/s' modifiable relevance 16",
                                                "f unit '' modifiable relevance 4294967295",
                                                "g relevance 0", "h relevance 0"}));
    EXPECT_EQ(valueOf<uint8_t>(*firmware, 1005), 7);
    const VkCInventoryItem* typedItem = root.getItem(VkCInventoryAddress(3000, 1));
    ASSERT_NE(typedItem, nullptr);
    for (uint32_t i = 0; i < 12; ++i) {  // each with the value of its own type
        const size_t blank = typed[i].find(' ');
        const uint16_t code = typeCodeFromName(typed[i].substr(0, blank));
        VkCInventoryParameter::Value expected;
        ASSERT_EQ(convertValue(code, typed[i].c_str() + blank + 1, expected),
                  ConversionResult::Converted);
        const VkCInventoryParameter* p = typedItem->getParameter(VkCInventoryAddress(2001 + i, 1));
        ASSERT_NE(p, nullptr) << typed[i];
        EXPECT_EQ(p->getTypeCode(), code);
        EXPECT_TRUE(p->getValue() == expected) << typed[i];
    }
}

TEST(ReaderTree, ValuesOutsideTheirTypeAreRefused) {
    const std::string refused[] = {"UInt8 256",        "UInt16 65536", "UInt32 -1",  "ULong64 0x",
                                   "Int8 128",         "Int16 -32769", "Long64 1.5", "Float32 1e39",
                                   "Int32 2147483648", "Float64 12abc"};
    for (const std::string& typeAndText : refused) {
        const std::string type = typeAndText.substr(0, typeAndText.find(' '));
        const std::string text = typeAndText.substr(type.size() + 1);
        const auto parsed = parseText(item("1000", "R", {param("1001", type, text, "P")}));
        EXPECT_EQ(parsed.result, nullptr) << type;
        EXPECT_EQ(
            parsed.err.substr(parsed.err.find(" error: ")),
            " error: Invalid " + type + " value specified for this parameter: \"" + text + "\"\n");
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
    EXPECT_EQ(items[0]->parameters().size(), 4u) << "2000 and 2000[1] are one item";
    EXPECT_EQ(items[2]->subItems().size(), 1u) << "a nested item with the same ID is another";
    EXPECT_EQ(items[1001]->parameters().size(), 2u);
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

// '|' marks where the message is raised, '@' stands for its "<document>:<line>:<column>";
// $FW, $REAL and $OUT for the firmware folder, its real path and the outer folder, $LIMIT and
// $MEMORY for the document's text limit and memory budget.
struct Case {
    std::string document;
    std::string expected;
    const char* file = nullptr;  // read from this file (written unless the document is empty)
    bool keepsTree = false;
};

const std::string R = "<ITEM ID=\"1000\" Descr=\"R\">";
const std::string P8 = "<PARAM ID=\"1001\" Descr=\"P\" Type=\"UInt8\">";
const std::string PV = "<PARAM ID=\"VERSION\" Type=\"Version\">";
const std::string G21(21, ' ');
const std::string G25(25, ' ');

// An error at the mark.
std::string E(const std::string& message) {
    return "@: error: " + message;
}

// A parameter whose value is the external entity systemId.
std::string entityDocument(const std::string& systemId) {
    return "<!DOCTYPE ITEM [<!ENTITY x SYSTEM \"" + systemId +
           "\">]>\n<ITEM ID=\"1000\" Descr=\"C\">" +
           "<PARAM ID=\"1001\" Descr=\"P\" Type=\"String\"><VALUE>&x;|</VALUE></PARAM></ITEM>";
}

// A document in the firmware folder that refers to systemId, which lies outside.
Case outside(const std::string& systemId) {
    return {entityDocument(systemId),
            E("External entity \"" + systemId +
              "\" is refused: only files inside the firmware folder $REAL are read."),
            "d.xml"};
}

// Entities of ten times ten ... references: 10^9 expansions without the parser's limit.
std::string billionExpansions() {
    std::string declarations = "<!ENTITY e0 \"xxxxxxxxxx\">";
    for (int i = 1; i <= 9; ++i) {
        declarations += "<!ENTITY e" + std::to_string(i) + " \"" +
                        repeat("&e" + std::to_string(i - 1) + ";", 10) + "\">";
    }
    return "<!DOCTYPE ITEM [" + declarations + "]>\n" + R + param("1001", "String", "&e9;|", "P") +
           "</ITEM>";
}

// About 1.3 KB whose text or attribute expands to copies times 100,000 characters. Past the
// limit the reader stops at the end of the element, or after the eleventh reference in text.
std::string expanding(int copies, bool inAttribute) {
    const std::string expansion = copies < 12
                                      ? repeat("&e1;", copies)
                                      : repeat("&e1;", 11) + "|" + repeat("&e1;", copies - 11);
    return "<!DOCTYPE ITEM [<!ENTITY e0 \"" + std::string(1000, 'x') + "\"><!ENTITY e1 \"" +
           repeat("&e0;", 100) + "\">]>\n" +
           (inAttribute ? "<ITEM ID=\"1000\" Descr=\"" + repeat("&e1;", copies) + "\"/>|"
                        : R + param("1001", "String", expansion, "P") + "</ITEM>");
}

const std::vector<Case>& cases() {
    const std::string textLimit =
        "@: error: Entities expand the text of doc.xml to more than "
        "$LIMIT characters; the document is not read.";
    const std::string cannotRead = "ERROR: Cannot read the description file ";
    static const std::vector<Case> all = {
        {R + "<FOO>|</FOO></ITEM>", E("Unknown element type: \"FOO\"")},
        {PV + "|<VALUE>1</VALUE></PARAM>",
         E("A parameter may only be defined for an" + G25 + "inventory item!")},
        {R + P8 + "<ITEM ID=\"2\" Descr=\"I\">|</ITEM></PARAM></ITEM>",
         E("Only an item can have a sub item!")},
        {R + "<VALUE>|1</VALUE></ITEM>",
         E("A value may only be defined for an" + G25 + "inventory parameter!")},
        {R + "<UNIT>|dB</UNIT></ITEM>",
         E("A unit may only be defined for an" + G25 + "inventory parameter!")},
        {R + "<ISMODIFIABLE>|Yes</ISMODIFIABLE></ITEM>",
         E("A modifiable flag may only be defined for an" + G25 + "inventory parameter!")},
        {R + "<RELEVANCE>|1</RELEVANCE></ITEM>",
         E("A relevance level may only be defined for an" + G25 + "inventory parameter!")},
        {R + P8 + "<VALUE>1</VALUE><VALUE>|2</VALUE></PARAM></ITEM>", E("Doubly defined value!")},
        {R + PV + "<UNIT>|V</UNIT><VALUE>1</VALUE></PARAM></ITEM>",
         E("A version parameter cannot have a unit!")},
        {R + P8 + "<UNIT>dB</UNIT><UNIT>|V</UNIT></PARAM></ITEM>", E("Doubly defined unit!")},
        {R + P8 + "<ISMODIFIABLE>No</ISMODIFIABLE><ISMODIFIABLE>|No</ISMODIFIABLE></PARAM></ITEM>",
         E("Doubly defined modifiable flag!")},
        {R + P8 + "<RELEVANCE>1</RELEVANCE><RELEVANCE>|2</RELEVANCE></PARAM></ITEM>",
         E("Doubly defined relevance!")},
        {"<!DOCTYPE ITEM [<!ATTLIST ITEM ID ID #IMPLIED>]>\n<ITEM ID=\"FIRMWARE\" "
         "Descr=\"R\">|</ITEM>",
         E("Unexpected attribute type: \"ID\"")},
        {"<ITEM ID=\"FIRMWARE[\xC3\xA4]\" Descr=\"R\">|</ITEM>",
         E("Invalid ID \"FIRMWARE[\xC3\xA4]\".")},
        {"<ITEM ID=\"1000\" Descr=\"a&#9;b\">|</ITEM>",
         E("Description string contains tabs or returns!")},
        {R + "<PARAM ID=\"1001\" Descr=\"P\" Type=\"Uint8\">|</PARAM></ITEM>",
         E("Invalid type: \"Uint8\"")},
        {R + P8 + "<VALUE ID=\"1\">|1</VALUE></PARAM></ITEM>",
         E("An ID may only be specified for an inventory" + G21 + "item or parameter!")},
        {R + P8 + "<UNIT Descr=\"u\">|dB</UNIT></PARAM></ITEM>",
         E("A descriptor may only be specified for an inventory" + G21 + "item or parameter!")},
        {"<ITEM ID=\"1000\" Descr=\"R\" Type=\"UInt8\">|</ITEM>",
         E("A type may only be specified for an inventory" + G21 + "parameter!")},
        {"<ITEM Colour=\"red\" Descr=\"R\">|</ITEM>",
         "@: warning: WARNING: Unknown attribute: \"Colour\"\n" +
             E("You must specify an ID (as attribute) for an inventory item!")},
        {R + "<PARAM Descr=\"P\" Type=\"UInt8\">|</PARAM></ITEM>",
         E("You must specify an ID (as attribute) for an inventory parameter!")},
        {R + "<PARAM ID=\"1001\" Type=\"UInt8\">|</PARAM></ITEM>",
         E("You must specify a descriptor (as attribute) for an inventory parameter when "
           "using non-predefined ID!")},
        {R + "<PARAM ID=\"VERSION\">|</PARAM></ITEM>",
         E("You must specify a type (as attribute) for an inventory parameter!")},
        {R + "<PARAM ID=\"VERSION[2]\" Type=\"Version\">|</PARAM></ITEM>",
         E("You cannot specify an index (i.e. ID=\"CATEGORY[INDEX]\") for an inventory "
           "parameter!")},
        {R + PV + "</PARAM>|</ITEM>", E("You must specify a value for a parameter!")},
        {R + "<ITEM ID=\"2000\" Descr=\"A\">" + param("1001", "UInt8", "1", "a") +
             "</ITEM><ITEM ID=\"2000\" Descr=\"A\">" + param("1001", "String", "x", "b") +
             "|</ITEM></ITEM>",
         E("Item already has a parameter with ID \"1001\"")},
        {R + PV + "<VALUE>1.x</VALUE></PARAM>|</ITEM>",
         E("Invalid value specified for version parameter.")},
        {R + "\n  text  |</ITEM>",
         E("Unrecognised character data within inventory item: \"text\"")},
        {R + P8 + " stray |<VALUE>1</VALUE></PARAM></ITEM>",
         E("Unrecognised character data within inventory parameter: \"stray\"")},
        {R + P8 + "<UNIT>d\tB|</UNIT><VALUE>1</VALUE></PARAM></ITEM>",
         E("Unit string contains tabs or returns!\n") + E("Invalid unit.")},
        {R + P8 + "<ISMODIFIABLE>yes|</ISMODIFIABLE></PARAM></ITEM>",
         E("Modifiable flag must be either Yes or No.")},
        {R + P8 + "<RELEVANCE>4294967296|</RELEVANCE></PARAM></ITEM>",
         E("Relevance level must be UInt32 value.")},
        {repeat("<ITEM ID=\"1000\" Descr=\"a\">", 10001) + "|" + repeat("</ITEM>", 10001),
         E("Inventory items are nested more than 10000 levels deep!")},
        // Only the first error of the reader's own checks; the parser's messages still come.
        {R + "\n<FOO/>|\n<BAR/><PARAM ID=\"1\"/>text\n</ITEM>\n</ITEM>",
         E("Unknown element type: \"FOO\"\n") +
             "doc.xml:5:1: error: XML fatal parse error: comment or processing instruction "
             "expected"},
        {"<!DOCTYPE ITEM [<!ATTLIST ITEM ID CDATA #IMPLIED><!ATTLIST ITEM ID| CDATA #IMPLIED>]>" +
             R + "</ITEM>",
         "@: warning: XML parse warning: attribute 'ID' has already been declared for element "
         "'ITEM'"},
        {"<ITEM ID=\"1000\" Descr=\" R \">|</ITEM>",
         "@: warning: Description string contains leading blanks!\n"
         "@: warning: Description string contains trailing blanks!",
         nullptr, true},
        {R + "<ITEM ID=\"FIRMWARE\" Descr=\"Fw\">|</ITEM></ITEM>",
         "@: warning: Using predefined ID. Descriptor is ignored!", nullptr, true},
        // Files: only regular files, and entities only from inside the firmware folder.
        {"<ITEM ID=\"1000\">|\n</ITEM>",
         E("You must specify a descriptor (as attribute) for an inventory item when using "
           "non-predefined ID!"),
         "F\xC3\xBCr/bad.xml"},
        {"", cannotRead + "$FW/missing.xml: No such file or directory.", "missing.xml"},
        {"", cannotRead + "$FW/pipe.dtd: it is a pipe, not a regular file.", "pipe.dtd"},
        {"", cannotRead + "$FW/sub: it is a folder, not a regular file.", "sub"},
        outside("$OUT/secret.txt"),
        outside("../secret.txt"),
        outside("link.txt"),
        outside("file://$OUT/secret.txt"),
        outside("http://127.0.0.1:9/x.dtd"),
        {entityDocument("pipe.dtd"),
         E("External entity \"pipe.dtd\" is refused: it is a pipe, not a regular file."), "d.xml"},
        {"<!DOCTYPE ITEM SYSTEM \"inventory.dtd\">|\n" + R + "</ITEM>",
         E("External entity \"inventory.dtd\" is refused: this document may not refer to "
           "other files.")},
        {"<!DOCTYPE ITEM [<!ENTITY % c SYSTEM \"comments.dtd\"> %c; %c; %c;|]>\n" + R + "</ITEM>",
         E("External entity \"comments.dtd\" is refused: the entity files of this document "
           "would have more than $LIMIT bytes together."),
         "d.xml"},
        {billionExpansions(),
         E("XML fatal parse error: parser has encountered more than '50000' entity "
           "expansions in the document; this is the limit imposed by the application")},
        {expanding(9, false), "", nullptr, true},
        {expanding(12, false), textLimit},
        {expanding(9, true), "", nullptr, true},
        {expanding(12, true), textLimit},
        // Stopped while the parser builds the value, before it reaches the handler.
        {expanding(400, true),
         "ERROR: Reading doc.xml takes more than $MEMORY bytes of memory with its entities "
         "expanded; the document is not read."},
    };
    return all;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
}

// Documents in memory are named "doc.xml". A row with a file reads it from a firmware folder
// <outer>/fw, beside which lies a secret file and in which are a pipe, a folder, a link to the
// secret file and a large DTD of comments.
TEST(ReaderMessages, OfEveryMalformedOrHostileDocument) {
    TempFolder outer;
    outer.write("secret.txt", "SECRET");
    const std::string fw = outer.file("fw");
    outer.write("fw/sub/inner.xml", "<ITEM/>");
    outer.write("fw/comments.dtd", "<!-- " + std::string(400000, 'x') + " -->");
    ASSERT_EQ(::mkfifo((fw + "/pipe.dtd").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("../secret.txt", (fw + "/link.txt").c_str()), 0);
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.expected.substr(0, 80));
        std::string document = c.document;
        replaceAll(document, "$OUT", outer.path());
        const size_t mark = document.find('|');
        std::string position;
        if (mark != std::string::npos) {
            const size_t lineStart = document.rfind('\n', mark) + 1;  // 0 on the first line
            size_t column = 1;                                        // in characters
            for (size_t i = lineStart; i < mark; ++i) {
                column += (document[i] & 0xC0) != 0x80;
            }
            position =
                ":" +
                std::to_string(std::count(document.begin(), document.begin() + mark, '\n') + 1) +
                ":" + std::to_string(column);
            document.erase(mark, 1);
        }
        const std::string file = c.file == nullptr ? ""
                                 : std::string(c.file).find(':') != std::string::npos
                                     ? c.file
                                     : fw + "/" + c.file;
        if (c.file != nullptr && !document.empty()) {
            outer.write("fw/" + std::string(c.file), document);
        }
        const uint64_t limit = 16 * document.size() + (uint64_t(1) << 20);
        std::string expected = c.expected.empty() ? "" : c.expected + "\n";
        replaceAll(expected, "@", (c.file == nullptr ? "doc.xml" : file) + position);
        replaceAll(expected, "$OUT", outer.path());
        replaceAll(expected, "$REAL", std::filesystem::canonical(fw).string());
        replaceAll(expected, "$FW", fw);
        replaceAll(expected, "$LIMIT", std::to_string(limit));
        replaceAll(expected, "$MEMORY", std::to_string(8 * limit + (uint64_t(16) << 20)));
        ::alarm(10);  // a reader waiting on a pipe or device ends the test instead of hanging it
        const auto parsed = captureOutput([&] {
            return c.file == nullptr
                       ? parseInventoryDocument(document.data(), document.size(), "doc.xml")
                       : parseInventoryDocument(utf8ToWide(file));
        });
        ::alarm(0);
        EXPECT_EQ(parsed.err, expected);
        EXPECT_EQ(parsed.out, "");
        EXPECT_EQ(parsed.result != nullptr, c.keepsTree);
    }
}

class FixedLocator : public xercesc::Locator {
  public:
    const XMLCh* getPublicId() const override { return nullptr; }
    const XMLCh* getSystemId() const override { return u"ctx.xml"; }
    XMLFileLoc getLineNumber() const override { return 7; }
    XMLFileLoc getColumnNumber() const override { return 9; }
};

struct EndCase {
    ReaderState state;
    bool inRoot;           // inside the root item, as after <ITEM ID="1000" Descr="R">
    const XMLCh* element;  // that ends
    const char* fatal;     // the fatal error; empty: none, and the state stays
};

const EndCase kEnds[] = {
    {InParam, true, u"ITEM", "End of item detected while not processing item!"},
    {InItem, true, u"PARAM", "End of parameter detected while not processing parameter!"},
    {InParam, true, u"VALUE", "End of value detected while not processing value!"},
    {InValue, true, u"UNIT", "End of unit detected while not processing unit!"},
    {InRelevance, true, u"ISMODIFIABLE",
     "End of modification flag detected while not processing modification flag!"},
    {InModifiable, true, u"RELEVANCE", "End of relevance detected while not processing relevance!"},
    {InItem, true, u"item", "Unknown end tag: \"item\""},
    {InItem, false, u"ITEM", "End of item detected but no item object was created!"},
    {InParam, false, u"PARAM", "End of parameter detected but no item object was created!"},
    {InParam, true, u"PARAM", "Unknown type specified for this parameter!"},  // type 0x999
    {InItem, true, u"ITEM", ""},  // the end of the root keeps the root current
    {Failed, true, u"FOO", ""},   // after a failure every event is ignored
};

TEST(ReaderContext, EndsThatNoDocumentReachesAbortTheTree) {
    VkCErrorListPool pool;
    FixedLocator locator;
    for (const EndCase& c : kEnds) {
        SCOPED_TRACE(c.fatal);
        ReaderContext context;
        context.locator = &locator;
        if (c.inRoot) {
            context.rootItem =
                std::make_unique<VkCInventoryItem>(pool, VkCInventoryAddress(1000, 1), "R");
            context.currentItem = context.rootItem.get();
        }
        context.state = c.state;
        context.parameterAttributes.address = VkCInventoryAddress(1001, 1);
        context.parameterAttributes.typeCode = 0x999;
        context.parameterContent.valueDefined = true;
        const auto ended = captureOutput([&] {
            handleElementEnd(context, c.element);
            if (context.state == Failed) {
                handleCharacters(context, u"text", 4);  // ignored
            }
            return context.currentItem == context.rootItem.get();
        });
        const bool fails = *c.fatal != '\0';
        EXPECT_EQ(ended.err,
                  fails ? std::string("ctx.xml:7:9: fatal error: ") + c.fatal + "\n" : "");
        EXPECT_EQ(context.state, fails ? Failed : c.state);
        EXPECT_EQ(context.rootItem == nullptr, fails);
        EXPECT_TRUE(ended.result);
    }
    ReaderContext context;  // characters before the root, and a message without a locator
    const auto outside = captureOutput([&] {
        handleCharacters(context, u" \t\r\n", 4);  // white space alone is ignored
        const ReaderState before = context.state;
        handleCharacters(context, u" x ", 3);
        context.warn("W");
        return before;
    });
    EXPECT_EQ(outside.result, DocumentLevel);
    EXPECT_EQ(outside.err, "fatal error: Characters detected out of an element.\nwarning: W\n");
    context.resetDocument();
    EXPECT_EQ(context.state, DocumentLevel);
}

// An error of the parser (only a validating parse reports one) counts, like a fatal error.
TEST(ReaderHandler, ParserErrorCounts) {
    ASSERT_TRUE(initialiseXmlPlatform());
    VkCInventoryXMLHandlers handler;
    const auto reported = captureOutput([&] {
        handler.error(xercesc::SAXParseException(u"something is wrong", FixedLocator()));
        return handler.sawErrors();
    });
    EXPECT_TRUE(reported.result);
    EXPECT_EQ(reported.err, "error: XML parse error: something is wrong\n");
}

}  // namespace

// The XML parser library loses about 140 bytes in every parse that reads an external DTD, with
// or without an entity resolver of ours; the leak checker of sanitizer builds is told so, and
// not to list the suppressed leaks at every exit (also of death tests, whose output is compared).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:xercesc_3_2::XMLScanner::scanProlog\n";
}
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
