#include <string>

#include "description/element_kind.h"
#include "description/reader_context.h"
#include "description/xml_text.h"

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
    if (VkCInventoryItem* parent = context.currentItem->getParent()) {
        context.currentItem = parent;
        --context.itemDepth;
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
