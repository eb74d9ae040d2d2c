#pragma once
#include <xercesc/sax2/DefaultHandler.hpp>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "VkCInventoryItem.h"
#include "description/reader_context.h"

// The SAX handler of the inventory XML reader: content handler and error handler of one parse.
// It builds the inventory tree while the document is valid and discards it on the first
// violation of the format; messages go straight to standard error.
class VkCInventoryXMLHandlers : public xercesc::DefaultHandler {
  public:
    VkCInventoryXMLHandlers() = default;
    ~VkCInventoryXMLHandlers() override;

    void resetDocument() override;
    void characters(const XMLCh* const chars, const XMLSize_t length) override;
    void endElement(const XMLCh* const uri, const XMLCh* const localName,
                    const XMLCh* const qualifiedName) override;
    void setDocumentLocator(const xercesc::Locator* const locator) override;
    void startElement(const XMLCh* const uri, const XMLCh* const localName,
                      const XMLCh* const qualifiedName,
                      const xercesc::Attributes& attributes) override;
    void ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length) override;

    void warning(const xercesc::SAXParseException& exception) override;
    void error(const xercesc::SAXParseException& exception) override;
    void fatalError(const xercesc::SAXParseException& exception) override;
    void resetErrors() override;

    // Whether the XML parser itself reported an error or fatal error.
    bool sawErrors() const { return context_.sawErrors; }
    // Hands the tree over to the caller; null when there is none.
    std::unique_ptr<VkCInventoryItem> takeRootItem();

    // Bounds the characters of text and attribute values that the document delivers with its
    // entities expanded. The parser's own limit counts expansions, not their size; past this
    // one the handler prints a message naming documentName and stops the parse (by the
    // parser's SAX exception), before memory or time can grow further.
    void limitText(const std::string& documentName, uint64_t limit);

  private:
    void countText(uint64_t characters);

    ReaderContext context_;
    std::string documentName_;
    uint64_t textLimit_ = std::numeric_limits<uint64_t>::max();
    uint64_t textReceived_ = 0;
};
