// The reader's state and SAX handler: the context of one parse, the handler that feeds it the
// parser's events and errors, the index of sub items and the element names.
#include "description/xml_reader.h"

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <string>

#include "description/xml_text.h"

void ReaderContext::resetDocument() {
    state = DocumentLevel;
    rootItem.reset();
    currentItem = nullptr;
    subItems.clear();
    itemDepth = 0;
}

void ReaderContext::abort() {
    rootItem.reset();
    currentItem = nullptr;
    subItems.clear();
    itemDepth = 0;
    state = Failed;
}

void ReaderContext::fail(const std::string& message) {
    printReaderError(locator, message);
    abort();
}

void ReaderContext::failFatally(const std::string& message) {
    printReaderFatalError(locator, message);
    abort();
}

void ReaderContext::warn(const std::string& message) const {
    printReaderWarning(locator, message);
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

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

namespace {

constexpr size_t kInitialSlots = 64;

size_t hashOf(const VkCInventoryItem* parent, uint32_t category, uint32_t index) {
    // splitmix64 finaliser over the three parts
    uint64_t hash = uint64_t(reinterpret_cast<uintptr_t>(parent)) ^
                    (uint64_t(category) << 32 | index) * 0x9E3779B97F4A7C15ull;
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return size_t(hash ^ (hash >> 31));
}

}  // namespace

size_t SubItemIndex::slotOf(const VkCInventoryItem* parent, uint32_t category,
                            uint32_t index) const {
    const size_t mask = slots_.size() - 1;
    size_t slot = hashOf(parent, category, index) & mask;
    while (slots_[slot].parent != nullptr &&
           (slots_[slot].parent != parent || slots_[slot].category != category ||
            slots_[slot].index != index)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

VkCInventoryItem* SubItemIndex::find(const VkCInventoryItem* parent,
                                     const VkCInventoryAddress& id) const {
    if (slots_.empty()) {
        return nullptr;
    }
    return slots_[slotOf(parent, id.getCategory(), id.getIndex())].item;
}

void SubItemIndex::add(const VkCInventoryItem* parent, VkCInventoryItem* item) {
    if (2 * (used_ + 1) > slots_.size()) {
        grow();  // at most half full, so that every search ends at a free slot
    }
    const VkCInventoryAddress& id = item->getID();
    Slot& slot = slots_[slotOf(parent, id.getCategory(), id.getIndex())];
    if (slot.parent == nullptr) {
        slot = Slot{parent, id.getCategory(), id.getIndex(), item};
        ++used_;
    }
}

void SubItemIndex::grow() {
    std::vector<Slot> old(slots_.empty() ? kInitialSlots : 2 * slots_.size());
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.parent != nullptr) {
            slots_[slotOf(slot.parent, slot.category, slot.index)] = slot;
        }
    }
}

void SubItemIndex::clear() {
    slots_.clear();
    used_ = 0;
}

namespace {

ElementKind kindIfNamed(const XMLCh* localName, const char* name, ElementKind kind) {
    return xmlEqualsAscii(localName, name) ? kind : ElementKind::Unknown;
}

}  // namespace

// Every element of a document passes here twice, so the first letter picks the one name to
// compare with.
ElementKind elementKindOf(const XMLCh* localName) {
    if (localName == nullptr) {
        return ElementKind::Unknown;
    }
    switch (localName[0]) {
        case u'I':
            return localName[1] == u'T'
                       ? kindIfNamed(localName, "ITEM", ElementKind::Item)
                       : kindIfNamed(localName, "ISMODIFIABLE", ElementKind::Modifiable);
        case u'P':
            return kindIfNamed(localName, "PARAM", ElementKind::Param);
        case u'V':
            return kindIfNamed(localName, "VALUE", ElementKind::Value);
        case u'U':
            return kindIfNamed(localName, "UNIT", ElementKind::Unit);
        case u'R':
            return kindIfNamed(localName, "RELEVANCE", ElementKind::Relevance);
        default:
            return ElementKind::Unknown;
    }
}
