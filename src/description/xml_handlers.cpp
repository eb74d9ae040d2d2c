#include "description/xml_handlers.h"

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <string>

#include "description/xml_messages.h"
#include "description/xml_text.h"

VkCInventoryXMLHandlers::~VkCInventoryXMLHandlers() = default;

void VkCInventoryXMLHandlers::resetDocument() {
    context_.resetDocument();
    textReceived_ = 0;
}

void VkCInventoryXMLHandlers::characters(const XMLCh* const chars, const XMLSize_t length) {
    countText(length);
    handleCharacters(context_, chars, length);
}

void VkCInventoryXMLHandlers::ignorableWhitespace(const XMLCh* const, const XMLSize_t length) {
    countText(length);
}

void VkCInventoryXMLHandlers::endElement(const XMLCh* const, const XMLCh* const localName,
                                         const XMLCh* const) {
    handleElementEnd(context_, localName);
}

void VkCInventoryXMLHandlers::setDocumentLocator(const xercesc::Locator* const locator) {
    context_.locator = locator;
}

void VkCInventoryXMLHandlers::startElement(const XMLCh* const, const XMLCh* const localName,
                                           const XMLCh* const,
                                           const xercesc::Attributes& attributes) {
    for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
        countText(xercesc::XMLString::stringLen(attributes.getValue(i)));
    }
    handleElementStart(context_, localName, attributes);
}

void VkCInventoryXMLHandlers::warning(const xercesc::SAXParseException& exception) {
    printReaderWarning(context_.locator, "XML parse warning: " + xmlToUtf8(exception.getMessage()));
    context_.abort();
}

void VkCInventoryXMLHandlers::error(const xercesc::SAXParseException& exception) {
    context_.sawErrors = true;
    printReaderError(context_.locator, "XML parse error: " + xmlToUtf8(exception.getMessage()));
    context_.abort();
}

void VkCInventoryXMLHandlers::fatalError(const xercesc::SAXParseException& exception) {
    context_.sawErrors = true;
    printReaderError(context_.locator,
                     "XML fatal parse error: " + xmlToUtf8(exception.getMessage()));
    context_.abort();
}

void VkCInventoryXMLHandlers::resetErrors() {
    context_.sawErrors = false;
}

void VkCInventoryXMLHandlers::limitText(const std::string& documentName, uint64_t limit) {
    documentName_ = documentName;
    textLimit_ = limit;
}

void VkCInventoryXMLHandlers::countText(uint64_t characters) {
    textReceived_ += characters;
    if (textReceived_ > textLimit_) {
        context_.abort();
        stopReading(context_.locator, "Entities expand the text of " + documentName_ +
                                          " to more than " + std::to_string(textLimit_) +
                                          " characters; the document is not read.");
    }
}

std::unique_ptr<VkCInventoryItem> VkCInventoryXMLHandlers::takeRootItem() {
    context_.currentItem = nullptr;
    context_.subItems.clear();
    return std::move(context_.rootItem);
}
