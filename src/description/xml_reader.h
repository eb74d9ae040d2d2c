#pragma once
// The inventory XML reader: the SAX handler of one parse and the state its events work on.
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "VkCInventoryAddress.h"
#include "VkCInventoryItem.h"
#include "VkCString.h"
#include "inventory_id.h"

// The six element names of the inventory XML format, matched exactly on the local name.
enum class ElementKind { Item, Param, Value, Unit, Modifiable, Relevance, Unknown };

ElementKind elementKindOf(const XMLCh* localName);

// Sub items by (parent, category, index): the look-up the reader makes for every "ITEM" start
// (an item continues a sibling with the same ID). A flat open-addressing table, so that wide
// items cost neither a linear search nor an allocation per item.
class SubItemIndex {
  public:
    VkCInventoryItem* find(const VkCInventoryItem* parent, const VkCInventoryAddress& id) const;
    void add(const VkCInventoryItem* parent, VkCInventoryItem* item);
    void clear();

  private:
    struct Slot {
        const VkCInventoryItem* parent = nullptr;  // null: a free slot
        uint32_t category = 0;
        uint32_t index = 0;
        VkCInventoryItem* item = nullptr;
    };

    // The slot that holds the key, or the free slot where the search for it ends.
    size_t slotOf(const VkCInventoryItem* parent, uint32_t category, uint32_t index) const;
    void grow();

    std::vector<Slot> slots_;
    size_t used_ = 0;
};

// Where in the document the inventory XML reader is.
enum ReaderState : uint32_t {
    DocumentLevel = 0,  // before the root element
    InItem = 1,
    InParam = 2,
    InValue = 3,
    InUnit = 4,
    InModifiable = 5,
    InRelevance = 6,
    Failed = 7,  // final until the next document
};

// The attributes of one element.
struct AttributeRecord {
    VkCInventoryAddress address;
    VkCString descriptor;
    uint16_t typeCode = 0;
    bool idGiven = false;
    bool descriptorGiven = false;
    bool typeGiven = false;
};

// What the children of the open "PARAM" element have defined.
struct ParameterContent {
    std::string valueText;
    std::string unitText;
    bool modifiable = false;
    uint32_t relevance = 0;
    bool valueDefined = false;
    bool unitDefined = false;
    bool modifiableDefined = false;
    bool relevanceDefined = false;
};

// The deepest nesting of items the reader accepts. Inventories are a few levels deep; the
// bound keeps a hostile document from building a tree too deep to be deleted safely.
constexpr uint32_t kMaxItemDepth = 10000;

// The state of one parse: everything the SAX events work on.
struct ReaderContext {
    ReaderState state = DocumentLevel;
    AttributeRecord parameterAttributes;
    ParameterContent parameterContent;
    VkCInventoryItem* currentItem = nullptr;     // not owned
    std::unique_ptr<VkCInventoryItem> rootItem;  // owned until taken by the caller
    const xercesc::Locator* locator = nullptr;
    PredefinedIdTable predefinedIdTable;
    bool sawErrors = false;  // set only by errors the XML parser reports
    SubItemIndex subItems;
    uint32_t itemDepth = 0;     // of the current item; the root is at depth 1
    std::string attributeText;  // scratch for attribute values, kept between elements
    // Called with each direct sub item of the root at its end tag; may be empty.
    std::function<void(const VkCInventoryItem&)> subItemRead;

    // Back to the start of a document; a tree still owned is deleted.
    void resetDocument();
    // Gives up the document: the tree is deleted and every later event is ignored.
    void abort();
    // Prints an error or fatal error and aborts.
    void fail(const std::string& message);
    void failFatally(const std::string& message);
    void warn(const std::string& message) const;
};

// The SAX events, acting on the context (xml_elements.cpp).
void handleElementStart(ReaderContext& context, const XMLCh* localName,
                        const xercesc::Attributes& attributes);
void handleElementEnd(ReaderContext& context, const XMLCh* localName);
void handleCharacters(ReaderContext& context, const XMLCh* text, size_t length);

// Reads the attributes of an element into record; prints the error and fails on a bad one
// (xml_attributes.cpp).
bool parseAttributes(ReaderContext& context, const xercesc::Attributes& attributes,
                     AttributeRecord& record);
// Checks record against the state of the element it belongs to.
bool validateAttributes(ReaderContext& context, const AttributeRecord& record);

// Builds the parameter of the closing "PARAM" element and adds it to the current item.
bool addParameterToItem(ReaderContext& context);

// A text in double quotes, for messages.
std::string quoted(const std::string& text);

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

    // Has subItemRead called, on the thread that receives the events, with each direct sub
    // item of the root as soon as its end tag has been read (again when a later sibling with
    // the same ID continues it).
    void watchSubItems(std::function<void(const VkCInventoryItem&)> subItemRead) {
        context_.subItemRead = std::move(subItemRead);
    }

  private:
    void countText(uint64_t characters);

    ReaderContext context_;
    std::string documentName_;
    uint64_t textLimit_ = std::numeric_limits<uint64_t>::max();
    uint64_t textReceived_ = 0;
};
