// The inventory XML reader: valid trees; every message of malformed and hostile documents, in
// one table; the checks no document reaches. The firmware catalogue over real firmware folders:
// records, update files and their checksums, host events, the container version check.
#include <sys/stat.h>
#include <unistd.h>

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "VkCErrorList.h"
#include "VkNInventoryIDs.h"
#include "description/firmware_catalogue.h"
#include "description/inventory_document.h"
#include "description/value_conversion.h"
#include "description/xml_input.h"
#include "description/xml_reader.h"
#include "interface/module_state.h"
#include "sim/images.h"
#include "support/captured_output.h"
#include "support/host_recorder.h"
#include "support/temp_folder.h"
#include "utf8_conversion.h"

namespace {

namespace Ids = VkNInventoryIDs;

std::string repeat(const std::string& text, size_t times) {
    std::string result;
    while (times-- > 0) {
        result += text;
    }
    return result;
}

std::string param(const std::string& id, const std::string& type, const std::string& value,
                  const std::string& descr = "") {
    return "<PARAM ID=\"" + id + (descr.empty() ? "" : "\" Descr=\"" + descr) + "\" Type=\"" +
           type + "\"><VALUE>" + value + "</VALUE></PARAM>";
}

std::string item(const std::string& id, const std::string& descr,
                 const std::vector<std::string>& children = {}) {
    return "<ITEM ID=\"" + id + (descr.empty() ? "" : "\" Descr=\"" + descr) + "\">" +
           std::accumulate(children.begin(), children.end(), std::string()) + "</ITEM>";
}

// One entry of a firmware description: FIRMWARE, FPGAFIRMWARE and BOOTLOADER by their
// predefined IDs, others as numbered items named kind (only BUSFPGA is an entry); extra adds
// parameters.
std::string entry(const std::string& kind, int index, const std::string& location,
                  const std::string& boardType, const std::string& version, uint32_t fwType,
                  uint32_t pass, const std::string& extra = "") {
    const bool predefined = kind == "FIRMWARE" || kind == "FPGAFIRMWARE" || kind == "BOOTLOADER";
    const std::string id = predefined ? kind : kind == "BUSFPGA" ? "2000" : "3000";
    return item(
        id + "[" + std::to_string(index) + "]", predefined ? "" : kind,
        {param("LOCATION", "String", location), param("BOARD_TYPE", "String", boardType),
         param("VERSION", "Version", version), param("FIRMWARE", "UInt32", std::to_string(fwType)),
         param("SEQUENCE", "UInt32", std::to_string(pass)), extra});
}

// A whole description with INFO / VERSION, by default the library's own version, e.g. "1.0.0".
std::string description(const std::vector<std::string>& entries,
                        const std::string& version = VK_LIB_VERSION_TEXT) {
    return item("1000", "Container",
                {item("INFO", "", {param("VERSION", "Version", version)}),
                 std::accumulate(entries.begin(), entries.end(), std::string())});
}

// Parses document from memory under the name "doc.xml": {tree, out, err}.
auto parseText(const std::string& document) {
    return captureOutput(
        [&] { return parseInventoryDocument(document.data(), document.size(), "doc.xml"); });
}

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
    std::vector<std::string> traits;  // description, unit, modifiable flag, relevance
    for (uint32_t category = 1005; category <= 1008; ++category) {
        const VkCInventoryParameter& p = *firmware->getParameter(VkCInventoryAddress(category, 1));
        traits.push_back(p.getDescription() +
                         (p.getUnit() ? "'" + std::string(p.getUnit()) + "'" : "") +
                         (p.isModifiable() ? " mod " : " ") + std::to_string(p.getRelevance()));
    }
    EXPECT_EQ(traits,
              std::vector<std::string>({"e'm/s' mod 16", "f'' mod 4294967295", "g 0", "h 0"}));
    EXPECT_EQ(valueOf<uint8_t>(*firmware, 1005), 7);
    const VkCInventoryItem* typedItem = root.getItem(VkCInventoryAddress(3000, 1));
    ASSERT_NE(typedItem, nullptr);
    for (uint32_t i = 0; i < 12; ++i) {  // each of its own type
        const VkCInventoryParameter* p = typedItem->getParameter(VkCInventoryAddress(2001 + i, 1));
        ASSERT_NE(p, nullptr) << typed[i];
        EXPECT_EQ(p->getTypeCode(), typeCodeFromName(typed[i].substr(0, typed[i].find(' '))));
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

// Documents in memory are named "doc.xml". A row with a file reads it from the folder <outer>/fw,
// holding a pipe, a folder, a link to the secret file beside it and a large DTD of comments.
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
            const auto start = document.begin(), at = start + mark;
            const auto line = std::count(start, at, '\n') + 1;
            const auto column = std::count_if(start + (document.rfind('\n', mark) + 1), at,
                                              [](char ch) { return (ch & 0xC0) != 0x80; });
            position = ":" + std::to_string(line) + ":" + std::to_string(column + 1);
            document.erase(mark, 1);
        }
        const std::string file = c.file == nullptr ? "" : fw + "/" + c.file;
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
    const char* fatal;     // the fatal error
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
            handleCharacters(context, u"text", 4);  // ignored after the failure
            return 0;
        });
        EXPECT_EQ(ended.err, std::string("ctx.xml:7:9: fatal error: ") + c.fatal + "\n");
        EXPECT_EQ(context.state, Failed);
        EXPECT_EQ(context.rootItem, nullptr);
    }
    ReaderContext context;  // characters before the root, and a message without a locator
    const auto outside = captureOutput([&] {
        handleCharacters(context, u" \t\r\n", 4);  // white space alone is ignored
        handleCharacters(context, u" x ", 3);
        context.warn("W");
        return 0;
    });
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

std::string uint32Param(const std::string& id, uint32_t value) {
    return param(id, "UInt32", std::to_string(value));
}

// 100 bytes that start with firstBytes and hold 0xA1B2C3D4 at bytes 60 to 63.
std::string withHeaderChecksum(const std::string& firstBytes) {
    std::string bytes(100, '\x11');
    return bytes.replace(0, firstBytes.size(), firstBytes).replace(60, 4, "\xA1\xB2\xC3\xD4");
}

// A record in one line: what a description gives and what the catalogue makes of it.
std::string describe(const UpdateFileRecord& r) {
    std::string text = wideToUtf8(r.FileName) + ", " + r.TypeName.str() + ", " + r.BoardType.str() +
                       " " + r.Version.getAsString().str() + ", type " + std::to_string(r.FwType) +
                       ", pass " + std::to_string(r.UpdatePass);
    text += std::string(r.IsBusFpga ? ", bus FPGA" : "") + (r.IsBootLoader ? ", boot" : "") +
            (r.IsSelected ? ", selected" : "") + (r.IsMissing ? ", missing" : "");
    text += ", IDs";
    for (uint32_t id : {r.HwType, r.FwCompabilityId, r.MinHwCompatibilityId, r.MaxHwCompatibilityId,
                        r.MinSwCompatibilityId, r.MaxSwCompatibilityId}) {
        text += " " + std::to_string(int32_t(id));
    }
    return text + (r.FpgaType != 0 ? ", chip " + std::to_string(r.FpgaType) : "") +
           (r.TargetFileName.isEmpty() ? "" : ", to " + r.TargetFileName.str()) +
           (r.OsType.isEmpty() ? "" : ", " + r.OsType.str());
}

class Catalogue : public testing::Test {
  protected:
    Catalogue() {
        moduleState().fileCatalogue.clear();
        moduleState().outputToHost = false;
        options.firmwareFolder = folder.wideFile("");
        options.descriptionFile = L"fw.xml";
    }
    // Writes the description and reads it.
    Captured<int32_t> read(const std::string& xml) {
        folder.write("fw.xml", xml);
        return captureOutput(
            [&] { return readFirmwareDescription(errors, options, firmwareVersion); });
    }
    const std::vector<UpdateFileRecord>& records() const { return moduleState().fileCatalogue; }
    TempFolder folder;
    VkTCmdOptions options;
    VkCErrorListPool errors;
    VkCVersion firmwareVersion;
};

TEST_F(Catalogue, RecordsOfEveryKindAndTheirEvents) {
    HostRecorder host;
    const std::string optional =
        param("OS_TYPE", "String", "Linux") + uint32Param("HW_TYPE", 3) +
        uint32Param("FW_COMPATIBILITY_ID", 4) + uint32Param("MIN_HW_COMPATIBILITY_ID", 5) +
        uint32Param("MAX_HW_COMPATIBILITY_ID", 6) + uint32Param("MIN_SW_COMPATIBILITY_ID", 7) +
        uint32Param("MAX_SW_COMPATIBILITY_ID", 8);
    const std::string target = param("TARGET_FILE_NAME", "String", "t.bin");
    options.updateFirmware = true;
    options.updateBusFpga = true;
    const auto run = read(
        description({entry("FIRMWARE", 1, "a.bin", "VK7101", "2.1", 1, 1, optional),
                     entry("OTHER", 1, "other.bin", "VK7101", "9.9", 1, 7),
                     entry("FIRMWARE", 2, "b.bin", "VK7102", "2.2", 2, 1),
                     entry("FPGAFIRMWARE", 1, "c.bit", "VK7101", "4.0", 3, 2,
                           uint32Param("CHIP_TYPE", 77) + target),
                     entry("BUSFPGA", 1, "d.bit", "VK7101", "5.0", 3, 1, target),
                     entry("BOOTLOADER", 1, "e.bin", "VKx86_32", "6.0.1", 10, 9, target),
                     "<ITEM ID=\"FIRMWARE[3]\">" + param("LOCATION", "String", "f.bin") +
                         param("VERSION", "Version", "1.0") + param("FIRMWARE", "String", "1") +
                         uint32Param("SEQUENCE", 2) + param("HW_TYPE", "String", "3") +
                         uint32Param("MIN_SW_COMPATIBILITY_ID", 9) + "</ITEM>"}));
    ASSERT_EQ(run.result, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    // Optional values are looked up first; an absent value or one of another type (the last
    // entry) is one error each, and the entry stays.
    EXPECT_EQ(errors.getErrorCount(), 3u);
    EXPECT_EQ(moduleState().maxUpdatePass, 2u) << "the boot loader's SEQUENCE is not read";
    std::vector<std::string> described(records().size());
    std::transform(records().begin(), records().end(), described.begin(), describe);
    EXPECT_EQ(described,
              std::vector<std::string>(
                  {"a.bin, Firmware, VK7101 2.1, type 1, pass 1, selected, missing, "
                   "IDs 3 4 5 6 7 8, Linux",
                   "b.bin, Factory firmware, VK7102 2.2, type 2, pass 1, selected, "
                   "missing, IDs 0 0 -1 -1 -1 -1",
                   "c.bit, FPGA firmware, VK7101 4.0, type 3, pass 2, missing, "
                   "IDs 0 0 -1 -1 -1 -1, chip 77",
                   "d.bit, FPGA file, VK7101 5.0, type 3, pass 1, bus FPGA, selected, "
                   "missing, IDs 0 0 -1 -1 -1 -1, to t.bin",
                   "e.bin, BootLoader, VKx86_32 6.0.1, type 10, pass 0, boot, "
                   "selected, missing, IDs 0 0 -1 -1 -1 -1, to t.bin",
                   "f.bin, Unknown,  1.0, type 0, pass 2, selected, missing, IDs 0 0 -1 -1 9 -1"}));
    std::vector<uint32_t> codes(7, EvCatalogueEntry);
    codes[0] = EvCatalogueCount;
    EXPECT_EQ(host.codes(), codes);
    EXPECT_EQ(host.withCode(EvCatalogueCount).at(0).value1, 6u);
    EXPECT_EQ(host.withCode(EvCatalogueEntry).at(2).maxUpdatePass, 2u) << "final in every one";
}

TEST_F(Catalogue, UpdateFilesInsideTheFolderOnly) {
    TempFolder outside;
    const std::string secret = outside.write("secret.bin", withHeaderChecksum("ABCD"));
    const std::string outsideName = outside.path().substr(outside.path().rfind('/') + 1);
    folder.write("inner/file.bin", withHeaderChecksum("ABCD"));
    folder.write("sub/x.bin", "x");
    folder.write("empty.bin", "");
    ASSERT_EQ(::mkfifo(folder.file("pipe.bin").c_str(), 0600), 0);
    // Readable: two names of one file ("\" separates too) and an empty file. Missing: the folder
    // itself, a folder, a pipe, anything outside the folder or with a ".." component.
    // clang-format off
    const std::vector<std::string> locations = {
        "inner/file.bin", "inner\\file.bin", "empty.bin", "missing.bin", "", "sub", "pipe.bin",
        "inner/../inner/file.bin", secret, "C:\\firmware\\file.bin",
        "../" + outsideName + "/secret.bin", "inner\\..\\..\\" + outsideName + "\\secret.bin",
        "inner/file.bin" + std::string(5000, 'a')};
    // clang-format on
    std::vector<std::string> entries;
    for (const std::string& location : locations) {
        entries.push_back(entry("FIRMWARE", int(entries.size() + 1), location, "V", "1", 1, 1));
    }
    const auto run = read(description(entries));
    ASSERT_EQ(run.result, 0);
    ASSERT_EQ(records().size(), locations.size());
    for (size_t i = 0; i < records().size(); ++i) {
        SCOPED_TRACE(locations[i].substr(0, 40));
        EXPECT_EQ(records()[i].FileName, utf8ToWide(locations[i].substr(0, 4096)));
        EXPECT_EQ(records()[i].IsMissing, i > 2);
        EXPECT_EQ(records()[i].FileSize, i < 2 ? 100u : 0u);
        EXPECT_EQ(records()[i].Crc32Checksum, i < 2 ? 0xA1B2C3D4u : 0u);
    }
    EXPECT_THAT(run.err, testing::HasSubstr("WARNING: The update file " + folder.file("sub") +
                                            " is refused: it is a folder, not a regular file. It "
                                            "counts as missing.\n"));
}

// Update files are looked at while the description is read: a small one is parsed directly, a
// large one beside its handler. An entry that a later item of the same ID continues, adding
// its LOCATION, is looked at where that LOCATION points.
TEST_F(Catalogue, UpdateFilesLookedAtWhileReading) {
    folder.write("sub/x.bin", "x");
    folder.write("f0.bin", withHeaderChecksum("ABCD"));
    folder.write("f1.bin", "short");
    const char* const locations[] = {"f0.bin", "f1.bin", "f2.bin", "sub"};
    for (const size_t padding : {size_t(0), size_t(1000)}) {
        for (const bool continued : {false, true}) {
            SCOPED_TRACE("padding " + std::to_string(padding) + (continued ? ", continued" : ""));
            const std::string extra = param("OS_TYPE", "String", std::string(padding, 'p'));
            std::vector<std::string> entries;
            for (int n = 0; n < 300; ++n) {
                entries.push_back(
                    entry("FIRMWARE", n + 1, locations[n % 4], "V", "1", 1, 1, extra));
            }
            if (continued) {
                entries[0] =
                    item("FIRMWARE[1]", "",
                         {param("BOARD_TYPE", "String", "V"), param("VERSION", "Version", "1"),
                          param("FIRMWARE", "UInt32", "1"), param("SEQUENCE", "UInt32", "1")});
                entries.push_back(item("FIRMWARE[1]", "", {param("LOCATION", "String", "f0.bin")}));
            }
            const auto run = read(description(entries));
            ASSERT_EQ(run.result, 0) << run.err;
            ASSERT_EQ(records().size(), 300u);
            for (size_t i = 0; i < records().size(); ++i) {
                EXPECT_EQ(records()[i].FileName, utf8ToWide(locations[i % 4])) << i;
                EXPECT_EQ(records()[i].IsMissing, i % 4 >= 2) << i;
                EXPECT_EQ(records()[i].FileSize, i % 4 == 0 ? 100u : i % 4 == 1 ? 5u : 0u) << i;
                EXPECT_EQ(records()[i].Crc32Checksum, i % 4 == 0 ? 0xA1B2C3D4u : 0u) << i;
            }
            std::string warnings;
            for (int n = 0; n < 300 / 4; ++n) {
                warnings += "WARNING: The update file " + folder.file("sub") +
                            " is refused: it is a folder, not a regular file. It counts as "
                            "missing.\n";
            }
            EXPECT_EQ(run.err, warnings);
        }
    }
}

TEST_F(Catalogue, ChecksumByTypeBoardAndEmbeddedInventory) {
    std::string problem;
    vksim::ElfInventory inventory;
    ASSERT_TRUE(vksim::writeElfImage(folder.file("elf.bin"), "3.2", 1u, 4096, problem) &&
                vksim::readElfInventory(folder.file("elf.bin"), inventory, problem));
    const uint32_t header = 0xA1B2C3D4;
    const uint32_t unknown = kUnknownChecksum;
    const uint32_t crc = inventory.payloadCrc;
    struct Case {
        bool busFpga;
        const char* boardType;
        uint32_t fwType, hwType;
        const char* file;  // the first bytes of a file with the header checksum; "elf"
        uint32_t checksum;
    };
    // Types 1, 2, 5 to 9 and 11 to 14 carry the checksum in their header, 3 and 4 unless bus
    // FPGA; missing header bytes count as zero. "ELF" at bytes 1 to 3, or these board kinds:
    // the checksum of the embedded inventory, 0 without one.
    std::vector<Case> cases = {
        {true, "VK7101", 3, 0, "", unknown},     {true, "VK7101", 4, 0, "", unknown},
        {true, "VK7101", 1, 0, "", header},      {false, "VK7101", 1, 0, "short", 0xA1B20000},
        {false, "VK7101", 1, 0, "ABCD", 0},      {false, "VK7101", 10, 0, "XELF", 0},
        {false, "VK7101", 1, 0, "XELf", header}, {false, "VK7101", 1, 0, "XEL", header},
        {false, "VKx86_32", 14, 0, "", 0},       {false, "VKx86_32", 14, 1, "", header},
        {false, "VKx86_32", 1, 0, "", header},   {false, "VK7101", 14, 3, "", 0},
        {false, "VK7101", 1, 3, "", 0},          {false, "VK7101", 2, 3, "", 0},
        {false, "VK7101", 5, 3, "", header},     {false, "VK7101", 1, 2, "", header},
        {false, "VK7102", 1, 3, "", header},     {false, "vk7101", 1, 3, "", header},
        {false, "VK7101", 1, 0, "elf", crc},     {true, "VK7101", 3, 0, "elf", crc}};
    for (uint32_t type = 0; type < 34; ++type) {
        const bool carries = type < 15 && type != 0 && type != 10;
        cases.push_back({false, "VK7101", type, 0, "", carries ? header : unknown});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.boardType) + " type " + std::to_string(c.fwType) + " HW " +
                     std::to_string(c.hwType) + " " + c.file + (c.busFpga ? " bus FPGA" : ""));
        const std::string file = c.file;
        folder.write("update.bin", file == "elf"     ? folder.read("elf.bin")
                                   : file == "short" ? withHeaderChecksum("").substr(0, 62)
                                   : file == "ABCD"  ? file
                                                     : withHeaderChecksum(file));
        const auto run = read(
            description({entry(c.busFpga ? "BUSFPGA" : "FIRMWARE", 1, "update.bin", c.boardType,
                               "1.0", c.fwType, 1, uint32Param("HW_TYPE", c.hwType))}));
        ASSERT_EQ(run.result, 0) << run.err;
        EXPECT_EQ(records().at(0).Crc32Checksum, c.checksum);
    }
}

// Only a description made for exactly this library version is read; any other ends the
// process with status 1 and the message.
TEST_F(Catalogue, ContainerOfAnotherVersionEndsTheProcess) {
    const std::string version = VK_LIB_VERSION_TEXT;
    const std::string root = "<ITEM ID=\"1000\" Descr=\"C\">";
    for (const std::string& xml :
         {description({}, "0.9.7"), description({}, version + ".1"),
          root + "<ITEM ID=\"INFO\"></ITEM></ITEM>",
          root + param("VERSION", "Version", version) + "</ITEM>",
          root + "<ITEM ID=\"INFO\">" + param("VERSION", "String", version) + "</ITEM></ITEM>"}) {
        folder.write("fw.xml", xml);
        EXPECT_EXIT(
            {
                std::fflush(stdout);
                ::dup2(STDERR_FILENO, STDOUT_FILENO);  // where the death test looks
                readFirmwareDescription(errors, options, firmwareVersion);
            },
            testing::ExitedWithCode(1),
            testing::HasSubstr("This firmware cannot be processed by this version"))
            << xml;
    }
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
