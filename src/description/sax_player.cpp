#include "description/sax_player.h"

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <string>

#include "description/sax_event_format.h"

using namespace sax_events;

namespace {

constexpr XMLCh kEmpty[] = {0};

}  // namespace

const XMLCh* RecordedLocator::getPublicId() const {
    return hasPublicId_ ? publicId_.c_str() : nullptr;
}

const XMLCh* RecordedLocator::getSystemId() const {
    return hasSystemId_ ? systemId_.c_str() : nullptr;
}

const XMLCh* RecordedAttributes::getURI(const XMLSize_t index) const {
    return index < list_.size() ? kEmpty : nullptr;
}

const XMLCh* RecordedAttributes::getLocalName(const XMLSize_t index) const {
    return index < list_.size() ? list_[index].localName : nullptr;
}

const XMLCh* RecordedAttributes::getQName(const XMLSize_t index) const {
    return getLocalName(index);
}

const XMLCh* RecordedAttributes::getType(const XMLSize_t index) const {
    return index < list_.size() ? list_[index].type : nullptr;
}

const XMLCh* RecordedAttributes::getValue(const XMLSize_t index) const {
    return index < list_.size() ? list_[index].value : nullptr;
}

bool RecordedAttributes::getIndex(const XMLCh* const, const XMLCh* const localPart,
                                  XMLSize_t& index) const {
    return getIndex(localPart, index);
}

int RecordedAttributes::getIndex(const XMLCh* const, const XMLCh* const localPart) const {
    return getIndex(localPart);
}

bool RecordedAttributes::getIndex(const XMLCh* const qName, XMLSize_t& index) const {
    for (XMLSize_t i = 0; i < list_.size(); ++i) {
        if (xercesc::XMLString::equals(list_[i].localName, qName)) {
            index = i;
            return true;
        }
    }
    return false;
}

int RecordedAttributes::getIndex(const XMLCh* const qName) const {
    XMLSize_t index = 0;
    return getIndex(qName, index) ? int(index) : -1;
}

const XMLCh* RecordedAttributes::getType(const XMLCh* const, const XMLCh* const localPart) const {
    return getType(localPart);
}

const XMLCh* RecordedAttributes::getType(const XMLCh* const qName) const {
    XMLSize_t index = 0;
    return getIndex(qName, index) ? list_[index].type : nullptr;
}

const XMLCh* RecordedAttributes::getValue(const XMLCh* const, const XMLCh* const localPart) const {
    return getValue(localPart);
}

const XMLCh* RecordedAttributes::getValue(const XMLCh* const qName) const {
    XMLSize_t index = 0;
    return getIndex(qName, index) ? list_[index].value : nullptr;
}

void SaxEventPlayer::play(const SaxEventChunk& chunk) {
    size_t at = 0;
    while (at < chunk.size()) {
        at = playEvent(chunk, at);
    }
}

namespace {

void readEntity(ChunkCursor& cursor, bool& hasId, std::basic_string<XMLCh>& id) {
    hasId = cursor.unit() != 0;
    size_t length = 0;
    const XMLCh* text = cursor.text(length);
    id.assign(text, length);
}

}  // namespace

size_t SaxEventPlayer::playEvent(const SaxEventChunk& chunk, size_t at) {
    ChunkCursor cursor(chunk, at);
    const XMLCh kind = cursor.unit();
    if (kind == EntityEvent) {
        readEntity(cursor, locator_.hasPublicId_, locator_.publicId_);
        readEntity(cursor, locator_.hasSystemId_, locator_.systemId_);
        return cursor.position();
    }
    locator_.line_ = XMLFileLoc(cursor.number());
    locator_.column_ = XMLFileLoc(cursor.number());
    size_t length = 0;
    switch (kind) {
        case LocatorEvent:
            handler_.setDocumentLocator(&locator_);
            break;
        case ResetDocumentEvent:
            handler_.resetDocument();
            break;
        case ResetErrorsEvent:
            handler_.resetErrors();
            break;
        case StartEvent: {
            const XMLCh* name = cursor.terminated();
            attributes_.list_.resize(size_t(cursor.number()));
            for (RecordedAttributes::Attribute& attribute : attributes_.list_) {
                attribute.localName = cursor.terminated();
                attribute.type = cursor.unit() == kCdataType ? xercesc::XMLUni::fgCDATAString
                                                             : cursor.terminated();
                attribute.value = cursor.terminated();
            }
            handler_.startElement(kEmpty, name, name, attributes_);
            break;
        }
        case EndEvent: {
            const XMLCh* name = cursor.terminated();
            handler_.endElement(kEmpty, name, name);
            break;
        }
        case CharactersEvent: {
            const XMLCh* text = cursor.text(length);
            handler_.characters(text, length);
            break;
        }
        case IgnorableEvent: {
            const XMLCh* text = cursor.text(length);
            handler_.ignorableWhitespace(text, length);
            break;
        }
        default: {
            const xercesc::SAXParseException exception(cursor.terminated(), locator_);
            if (kind == WarningEvent) {
                handler_.warning(exception);
            } else if (kind == ErrorEvent) {
                handler_.error(exception);
            } else {
                handler_.fatalError(exception);
            }
            break;
        }
    }
    return cursor.position();
}
