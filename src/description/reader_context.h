#pragma once
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/Attributes.hpp>

#include <cstdint>
#include <memory>
#include <string>

#include "VkCInventoryAddress.h"
#include "VkCInventoryItem.h"
#include "VkCString.h"
#include "description/sub_item_index.h"
#include "inventory_id.h"

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

    // Back to the start of a document; a tree still owned is deleted.
    void resetDocument();
    // Gives up the document: the tree is deleted and every later event is ignored.
    void abort();
    // Prints an error or fatal error and aborts.
    void fail(const std::string& message);
    void failFatally(const std::string& message);
    void warn(const std::string& message) const;
};

// The SAX events, acting on the context.
void handleElementStart(ReaderContext& context, const XMLCh* localName,
                        const xercesc::Attributes& attributes);
void handleElementEnd(ReaderContext& context, const XMLCh* localName);
void handleCharacters(ReaderContext& context, const XMLCh* text, size_t length);

// Reads the attributes of an element into record; prints the error and fails on a bad one.
bool parseAttributes(ReaderContext& context, const xercesc::Attributes& attributes,
                     AttributeRecord& record);
// Checks record against the state of the element it belongs to.
bool validateAttributes(ReaderContext& context, const AttributeRecord& record);

// Builds the parameter of the closing "PARAM" element and adds it to the current item.
bool addParameterToItem(ReaderContext& context);

// A text in double quotes, for messages.
std::string quoted(const std::string& text);
