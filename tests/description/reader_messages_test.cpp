// Every message of the reader, with its file:line:column prefix, for malformed and hostile
// documents: one table; then the checks no well-formed document reaches (the parser pairs start
// and end tags), driven directly on a context, and the handler's side of the parser's messages.
// Documents in memory are named "doc.xml". A row with a file reads it from a firmware folder
// <outer>/fw, beside which lies a secret file and in which are a pipe, a folder, a link to the
// secret file and a large DTD of comments.
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
#include "description/xml_input.h"
#include "description/xml_reader.h"
#include "description_documents.h"
#include "reporting/format.h"
#include "support/temp_folder.h"

namespace {

using docs::param;
using docs::repeat;

struct Case {
    std::string document;  // '|' marks where the message is raised
    // '@' stands for "<document>:<line>:<column>" of the mark; $FW for the firmware folder,
    // $REAL for its real path, $OUT for the outer folder, $LIMIT for the document's text limit
    // and $MEMORY for its memory budget.
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

std::string refusedOutside(const std::string& systemId) {
    return E("External entity \"" + systemId +
             "\" is refused: only files inside the firmware folder $REAL are read.");
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
         "bad.xml"},
        {"", cannotRead + "$FW/missing.xml: No such file or directory.", "missing.xml"},
        {"", cannotRead + "http://h:9/d.xml: No such file or directory.", "http://h:9/d.xml"},
        {"", cannotRead + "$FW/pipe.dtd: it is a pipe, not a regular file.", "pipe.dtd"},
        {"", cannotRead + "$FW/sub: it is a folder, not a regular file.", "sub"},
        {entityDocument("$OUT/secret.txt"), refusedOutside("$OUT/secret.txt"), "d.xml"},
        {entityDocument("/proc/kmsg"), refusedOutside("/proc/kmsg"), "d.xml"},
        {entityDocument("../secret.txt"), refusedOutside("../secret.txt"), "d.xml"},
        {entityDocument("link.txt"), refusedOutside("link.txt"), "d.xml"},
        {entityDocument("file://$OUT/secret.txt"), refusedOutside("file://$OUT/secret.txt"),
         "d.xml"},
        {entityDocument("http://127.0.0.1:9/x.dtd"), refusedOutside("http://127.0.0.1:9/x.dtd"),
         "d.xml"},
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
                       : parseInventoryDocument(toWide(file));
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
}

// Errors and fatal errors of the parser count (sawErrors), warnings only abort the tree.
TEST(ReaderHandler, ParserMessages) {
    ASSERT_TRUE(initialiseXmlPlatform());
    FixedLocator locator;
    const xercesc::SAXParseException exception(u"something is wrong", locator);
    VkCInventoryXMLHandlers handler;
    const auto messages = captureOutput([&] {
        handler.error(exception);  // before the parser gives a locator
        std::string saw = handler.sawErrors() ? "E" : "-";
        handler.resetErrors();
        handler.setDocumentLocator(&locator);
        handler.warning(exception);
        saw += handler.sawErrors() ? "W" : "-";
        handler.fatalError(exception);
        return saw + (handler.sawErrors() ? "F" : "-");
    });
    EXPECT_EQ(messages.result, "E-F");
    EXPECT_EQ(messages.err,
              "error: XML parse error: something is wrong\n"
              "ctx.xml:7:9: warning: XML parse warning: something is wrong\n"
              "ctx.xml:7:9: error: XML fatal parse error: something is wrong\n");
    EXPECT_EQ(handler.takeRootItem(), nullptr);
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
