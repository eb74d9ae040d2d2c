// The parse beside its handler, against a direct parse of the same document: a handler that
// logs every event with its locator's position and entity, and its attributes by index and by
// name, must see the same log either way, over one chunk or many, up to the same exception.
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "description/parallel_parse.h"
#include "description/xml_input.h"
#include "description/xml_text.h"
#include "support/temp_folder.h"
#include "utf8_conversion.h"

namespace {

struct Thrown : std::runtime_error {
    Thrown() : std::runtime_error("thrown by the handler") {}
};

// Logs every event; throws Thrown at event number throwAt (0: never).
class LoggingHandler : public xercesc::DefaultHandler {
  public:
    explicit LoggingHandler(size_t throwAt = 0) : throwAt_(throwAt) {}

    std::string log;

    void setDocumentLocator(const xercesc::Locator* const locator) override {
        locator_ = locator;
        add("locator");
    }
    void resetDocument() override { add("resetDocument"); }
    void resetErrors() override { add("resetErrors"); }
    void startElement(const XMLCh* const, const XMLCh* const localName, const XMLCh* const,
                      const xercesc::Attributes& attributes) override {
        std::string line = "start " + xmlToUtf8(localName);
        for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
            const XMLCh* name = attributes.getLocalName(i);
            line += " " + xmlToUtf8(name) + ":" + xmlToUtf8(attributes.getType(i)) + "=" +
                    xmlToUtf8(attributes.getValue(i)) + " by name " +
                    std::to_string(attributes.getIndex(name)) +
                    xmlToUtf8(attributes.getValue(name)) + xmlToUtf8(attributes.getType(name));
        }
        const XMLCh absent[] = {'n', 'o', 'n', 'e', 0};
        line += attributes.getIndex(absent) == -1 && attributes.getValue(absent) == nullptr
                    ? ""
                    : " found an absent attribute";
        add(line);
    }
    void endElement(const XMLCh* const, const XMLCh* const localName, const XMLCh* const) override {
        add("end " + xmlToUtf8(localName));
    }
    void characters(const XMLCh* const chars, const XMLSize_t length) override {
        std::string text;
        appendUtf8(chars, length, text);
        add("characters " + text);
    }
    void ignorableWhitespace(const XMLCh* const, const XMLSize_t length) override {
        add("ignorable " + std::to_string(length));
    }
    void warning(const xercesc::SAXParseException& e) override { addError("warning", e); }
    void error(const xercesc::SAXParseException& e) override { addError("error", e); }
    void fatalError(const xercesc::SAXParseException& e) override { addError("fatal", e); }

  private:
    void addError(const char* kind, const xercesc::SAXParseException& e) {
        add(std::string(kind) + " " + xmlToUtf8(e.getMessage()));
    }
    void add(const std::string& line) {
        log += line;
        if (locator_ != nullptr) {
            log += " @" + xmlToUtf8(locator_->getSystemId()) + ":" +
                   std::to_string(locator_->getLineNumber()) + ":" +
                   std::to_string(locator_->getColumnNumber());
        }
        log += "\n";
        if (++events_ == throwAt_) {
            throw Thrown();
        }
    }

    const xercesc::Locator* locator_ = nullptr;
    size_t events_ = 0;
    size_t throwAt_;
};

enum class Outcome { Returned, HandlerThrew, ParserThrew };

// Parses document (named systemId, entities allowed from folder) directly or beside handler.
Outcome parse(const std::string& document, const std::string& folder, bool beside,
              LoggingHandler& handler) {
    initialiseXmlPlatform();
    const std::basic_string<XMLCh> systemId = wideToXml(utf8ToWide(folder + "/doc.xml"));
    const xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(document.data()),
                                            document.size(), systemId.c_str());
    InventoryXmlReader setup(folder, 1 << 20, *xercesc::XMLPlatformUtils::fgMemoryManager);
    try {
        if (beside) {
            parseBesideHandler(setup.reader(), source, document.size(), handler);
        } else {
            setup.reader().setContentHandler(&handler);
            setup.reader().setErrorHandler(&handler);
            setup.reader().parse(source);
        }
    } catch (const Thrown&) {
        return Outcome::HandlerThrew;
    } catch (const ReadingStopped&) {
        return Outcome::ParserThrew;
    }
    return Outcome::Returned;
}

std::string items(size_t count) {
    std::string text;
    for (size_t i = 1; i <= count; ++i) {
        text += "<ITEM ID=\"FIRMWARE[" + std::to_string(i) + "]\">\n  <PARAM ID=\"VERSION\" " +
                "Type=\"Version\"><VALUE>1." + std::to_string(i % 7) + "</VALUE></PARAM>\n" +
                "</ITEM>\n";
    }
    return text;
}

TEST(ParallelParse, TheHandlerSeesWhatADirectParseShowsIt) {
    TempFolder folder;
    std::ofstream(folder.path() + "/part.xml") << "<ITEM ID=\"INFO\">&amp;</ITEM>";
    const std::string dtd =
        "<!DOCTYPE ITEM [<!ATTLIST ITEM Kind NMTOKEN #IMPLIED>"
        "<!ENTITY inner \"<PARAM ID='A' Type='String'><VALUE>in</VALUE></PARAM>\">"
        "<!ENTITY part SYSTEM \"part.xml\"><!ENTITY far SYSTEM \"/etc/hostname\">]>\n";
    const std::string big = items(3000);  // a few hundred chunks of events
    const struct {
        const char* name;
        std::string document;
        size_t throwAt;
        Outcome outcome;
    } cases[] = {
        {"entities, attribute types, text",
         dtd + "<ITEM ID=\"1\" Kind=\"k\">&inner;x&part;y</ITEM>", 0, Outcome::Returned},
        {"long names and values",
         "<ITEM ID=\"1\" Descr=\"" + std::string(300, 'd') + "\"><" + std::string(100, 'N') +
             "/></ITEM>",
         0, Outcome::Returned},
        {"events larger than all the queue holds",
         "<ITEM ID=\"1\" Descr=\"" + std::string(300000, 'd') + "\">" + big +
             std::string(300000, 't') + "</ITEM>",
         0, Outcome::Returned},
        {"many chunks", "<ITEM ID=\"1000\" Descr=\"C\">\n" + big + "</ITEM>", 0, Outcome::Returned},
        {"an error at the end of many chunks", "<ITEM ID=\"1000\">\n" + big + "</ITEM><X/>", 0,
         Outcome::Returned},
        {"the handler throws at the first event", "<ITEM ID=\"1\"/>", 1, Outcome::HandlerThrew},
        {"the handler throws deep in many chunks", "<ITEM ID=\"1000\">\n" + big + "</ITEM>", 5000,
         Outcome::HandlerThrew},
        {"an entity refused after many chunks",
         dtd + "<ITEM ID=\"1000\">\n" + big + "<ITEM ID=\"2\">&far;</ITEM></ITEM>", 0,
         Outcome::ParserThrew},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoggingHandler direct(c.throwAt);
        LoggingHandler beside(c.throwAt);
        EXPECT_EQ(parse(c.document, folder.path(), false, direct), c.outcome);
        EXPECT_EQ(parse(c.document, folder.path(), true, beside), c.outcome);
        EXPECT_GT(direct.log.size(), 0u);
        EXPECT_EQ(beside.log, direct.log);
    }
}

}  // namespace
