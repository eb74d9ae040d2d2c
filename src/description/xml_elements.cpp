// The reader's element events: element starts and ends and the character data between them.
#include <new>
#include <string>

#include "VkCErrorList.h"
#include "description/xml_reader.h"
#include "description/xml_text.h"
#include "number_conversion.h"

namespace {

// The placement messages break their text with a wide gap of blanks, as users know them.
const std::string kGap(25, ' ');

ReaderState stateEnteredBy(ElementKind kind) {
    switch (kind) {
        case ElementKind::Item:
            return InItem;
        case ElementKind::Param:
            return InParam;
        case ElementKind::Value:
            return InValue;
        case ElementKind::Unit:
            return InUnit;
        case ElementKind::Modifiable:
            return InModifiable;
        case ElementKind::Relevance:
            return InRelevance;
        case ElementKind::Unknown:
            break;
    }
    return Failed;
}

bool isPlacedWell(ElementKind kind, ReaderState state) {
    switch (kind) {
        case ElementKind::Item:
            return state == DocumentLevel || state == InItem;
        case ElementKind::Param:
            return state == InItem;
        default:
            return state == InParam;
    }
}

std::string misplacedMessage(ElementKind kind) {
    switch (kind) {
        case ElementKind::Item:
            return "Only an item can have a sub item!";
        case ElementKind::Param:
            return "A parameter may only be defined for an" + kGap + "inventory item!";
        case ElementKind::Value:
            return "A value may only be defined for an" + kGap + "inventory parameter!";
        case ElementKind::Unit:
            return "A unit may only be defined for an" + kGap + "inventory parameter!";
        case ElementKind::Modifiable:
            return "A modifiable flag may only be defined for an" + kGap + "inventory parameter!";
        default:
            return "A relevance level may only be defined for an" + kGap + "inventory parameter!";
    }
}

// Why a child of "PARAM" may not appear (again); null when it may.
const char* repeatedChildError(const ReaderContext& context, ElementKind kind) {
    const ParameterContent& content = context.parameterContent;
    switch (kind) {
        case ElementKind::Value:
            return content.valueDefined ? "Doubly defined value!" : nullptr;
        case ElementKind::Unit:
            if (context.parameterAttributes.typeCode == VkCInventoryParameter::TypeVersion) {
                return "A version parameter cannot have a unit!";
            }
            return content.unitDefined ? "Doubly defined unit!" : nullptr;
        case ElementKind::Modifiable:
            return content.modifiableDefined ? "Doubly defined modifiable flag!" : nullptr;
        case ElementKind::Relevance:
            return content.relevanceDefined ? "Doubly defined relevance!" : nullptr;
        default:
            return nullptr;
    }
}

// Moves to the state of the starting element; prints why and fails when it is not allowed.
bool placeElement(ReaderContext& context, const XMLCh* localName) {
    const ElementKind kind = elementKindOf(localName);
    if (kind == ElementKind::Unknown) {
        context.fail("Unknown element type: " + quoted(xmlToUtf8(localName)));
        return false;
    }
    if (!isPlacedWell(kind, context.state)) {
        context.fail(misplacedMessage(kind));
        return false;
    }
    if (const char* error = repeatedChildError(context, kind)) {
        context.fail(error);
        return false;
    }
    context.state = stateEnteredBy(kind);
    return true;
}

// Enters the item of an "ITEM" start: a sibling with the same ID is continued, else a new item
// is made and hung below the current one (or becomes the root).
void enterItem(ReaderContext& context, const AttributeRecord& record) {
    if (context.itemDepth >= kMaxItemDepth) {
        context.fail("Inventory items are nested more than " + std::to_string(kMaxItemDepth) +
                     " levels deep!");
        return;
    }
    if (context.currentItem != nullptr) {
        VkCInventoryItem* sibling = context.subItems.find(context.currentItem, record.address);
        if (sibling != nullptr) {
            context.currentItem = sibling;
            ++context.itemDepth;
            return;
        }
    }
    const char* categoryName = categoryNameOf(record.address);
    const char* name = *categoryName != '\0' ? categoryName : record.descriptor.c_str();
    VkCErrorListPool& errors = *VkCErrorManager::getInstance().getMasterErrorList();
    VkCInventoryItem* created = nullptr;
    if (context.currentItem != nullptr) {
        // Made in the tree's own store, like every node below the root.
        created = context.currentItem->makeSubItem(errors, record.address, name);
        if (created == nullptr) {
            throw std::bad_alloc();  // as making the item with new would
        }
        context.subItems.add(context.currentItem, created);
    } else if (context.rootItem == nullptr) {
        context.rootItem = std::make_unique<VkCInventoryItem>(errors, record.address, name);
        created = context.rootItem.get();
    } else {
        return;  // not reachable: an item start without a current item comes before the root
    }
    context.currentItem = created;
    ++context.itemDepth;
}

// Starts a parameter; the content of the previous one is cleared, keeping its buffers.
void enterParameter(ReaderContext& context, AttributeRecord&& record) {
    context.parameterAttributes = std::move(record);
    ParameterContent& content = context.parameterContent;
    content.valueText.clear();
    content.unitText.clear();
    content.modifiable = false;
    content.relevance = 0;
    content.valueDefined = false;
    content.unitDefined = false;
    content.modifiableDefined = false;
    content.relevanceDefined = false;
}

}  // namespace

void handleElementStart(ReaderContext& context, const XMLCh* localName,
                        const xercesc::Attributes& attributes) {
    if (context.state == Failed || !placeElement(context, localName)) {
        return;
    }
    const bool itemOrParameter = context.state == InItem || context.state == InParam;
    if (!itemOrParameter && attributes.getLength() == 0) {
        return;  // the children of "PARAM" usually come without attributes: nothing to check
    }
    AttributeRecord record;
    if (!parseAttributes(context, attributes, record) || !validateAttributes(context, record)) {
        return;
    }
    if (context.state == InItem) {
        enterItem(context, record);
    } else if (itemOrParameter) {
        enterParameter(context, std::move(record));
    }
}

namespace {

// What an element end requires and what it says when the state is not the element's own.
struct EndRule {
    ElementKind kind;
    ReaderState requiredState;
    const char* wrongState;
};

const EndRule kEndRules[] = {
    {ElementKind::Item, InItem, "End of item detected while not processing item!"},
    {ElementKind::Param, InParam, "End of parameter detected while not processing parameter!"},
    {ElementKind::Value, InValue, "End of value detected while not processing value!"},
    {ElementKind::Unit, InUnit, "End of unit detected while not processing unit!"},
    {ElementKind::Modifiable, InModifiable,
     "End of modification flag detected while not processing modification flag!"},
    {ElementKind::Relevance, InRelevance,
     "End of relevance detected while not processing relevance!"},
};

const EndRule* endRuleOf(ElementKind kind) {
    for (const EndRule& rule : kEndRules) {
        if (rule.kind == kind) {
            return &rule;
        }
    }
    return nullptr;
}

void endItem(ReaderContext& context) {
    if (context.currentItem == nullptr) {
        context.failFatally("End of item detected but no item object was created!");
        return;
    }
    const VkCInventoryItem& ended = *context.currentItem;
    if (VkCInventoryItem* parent = context.currentItem->getParent()) {
        context.currentItem = parent;
        --context.itemDepth;
        if (context.itemDepth == 1 && context.subItemRead) {
            context.subItemRead(ended);
        }
    }
}

void endParameter(ReaderContext& context) {
    if (context.currentItem == nullptr) {
        context.failFatally("End of parameter detected but no item object was created!");
        return;
    }
    if (addParameterToItem(context)) {
        context.state = InItem;
    }
}

void endParameterChild(ReaderContext& context, ElementKind kind) {
    ParameterContent& content = context.parameterContent;
    switch (kind) {
        case ElementKind::Value:
            content.valueDefined = true;
            break;
        case ElementKind::Unit:
            content.unitDefined = true;
            break;
        case ElementKind::Modifiable:
            content.modifiableDefined = true;
            break;
        default:
            content.relevanceDefined = true;
            break;
    }
    context.state = InParam;
}

}  // namespace

void handleElementEnd(ReaderContext& context, const XMLCh* localName) {
    if (context.state == Failed) {
        return;
    }
    const ElementKind kind = elementKindOf(localName);
    const EndRule* rule = endRuleOf(kind);
    if (rule == nullptr) {
        context.failFatally("Unknown end tag: " + quoted(xmlToUtf8(localName)));
        return;
    }
    if (context.state != rule->requiredState) {
        context.failFatally(rule->wrongState);
        return;
    }
    if (kind == ElementKind::Item) {
        endItem(context);
    } else if (kind == ElementKind::Param) {
        endParameter(context);
    } else {
        endParameterChild(context, kind);
    }
}

namespace {

constexpr uint64_t kMaxRelevance = 0xFFFFFFFFu;

bool isSeparator(XMLCh c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

void setUnit(ReaderContext& context, const std::string& text) {
    if (text.find_first_of("\t\n\r") != std::string::npos) {
        context.fail("Unit string contains tabs or returns!");
        context.fail("Invalid unit.");
        return;
    }
    context.parameterContent.unitText = text;
}

void setModifiable(ReaderContext& context, const std::string& text) {
    if (text == "Yes" || text == "YES") {
        context.parameterContent.modifiable = true;
    } else if (text == "No" || text == "NO") {
        context.parameterContent.modifiable = false;
    } else {
        context.fail("Modifiable flag must be either Yes or No.");
    }
}

void setRelevance(ReaderContext& context, const std::string& text) {
    uint64_t relevance = 0;
    if (!parseUnsignedNumber(text.c_str(), kMaxRelevance, relevance)) {
        context.fail("Relevance level must be UInt32 value.");
        return;
    }
    context.parameterContent.relevance = uint32_t(relevance);
}

}  // namespace

void handleCharacters(ReaderContext& context, const XMLCh* text, size_t length) {
    if (context.state == Failed) {
        return;
    }
    size_t begin = 0;
    size_t end = length;
    while (begin < end && isSeparator(text[begin])) {
        ++begin;
    }
    while (end > begin && isSeparator(text[end - 1])) {
        --end;
    }
    if (begin == end) {
        return;
    }
    if (context.state == InValue) {
        appendUtf8(text + begin, end - begin, context.parameterContent.valueText);
        return;
    }
    std::string piece;
    appendUtf8(text + begin, end - begin, piece);
    switch (context.state) {
        case DocumentLevel:
            context.failFatally("Characters detected out of an element.");
            break;
        case InItem:
            context.fail("Unrecognised character data within inventory item: " + quoted(piece));
            break;
        case InParam:
            context.fail("Unrecognised character data within inventory parameter: " +
                         quoted(piece));
            break;
        case InUnit:
            setUnit(context, piece);
            break;
        case InModifiable:
            setModifiable(context, piece);
            break;
        case InRelevance:
            setRelevance(context, piece);
            break;
        default:
            break;
    }
}
