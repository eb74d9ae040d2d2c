#include <string>

#include "description/reader_context.h"
#include "description/xml_text.h"
#include "number_conversion.h"

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
