#include "description/xml_handlers.h"

#include <xercesc/sax/SAXParseException.hpp>

#include "description/xml_messages.h"
#include "description/xml_text.h"

VkCInventoryXMLHandlers::~VkCInventoryXMLHandlers() = default;

void VkCInventoryXMLHandlers::resetDocument() {
    context_.resetDocument();
}

void VkCInventoryXMLHandlers::characters(const XMLCh* const chars, const XMLSize_t length) {
    handleCharacters(context_, chars, length);
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

std::unique_ptr<VkCInventoryItem> VkCInventoryXMLHandlers::takeRootItem() {
    context_.currentItem = nullptr;
    context_.subItems.clear();
    return std::move(context_.rootItem);
}
