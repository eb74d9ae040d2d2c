#include "description/sax_recorder.h"

#include <xercesc/internal/ReaderMgr.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <algorithm>

#include "description/sax_event_format.h"
#include "description/xml_text.h"

using namespace sax_events;

void SaxEventRecorder::putNumber(uint64_t number) {
    XMLCh* at = chunk_.grow(kMaxNumberUnits);
    chunk_.dropLast(size_t(at + kMaxNumberUnits - writeNumber(at, number)));
}

void SaxEventRecorder::putText(const XMLCh* text, size_t length) {
    XMLCh* at = chunk_.grow(kMaxNumberUnits + length + 1);
    XMLCh* end = std::copy(text, text + length, writeNumber(at, length));
    *end = 0;
    chunk_.dropLast(size_t(at + kMaxNumberUnits + length + 1 - (end + 1)));
}

void SaxEventRecorder::putText(const XMLCh* text) {
    putText(text, text == nullptr ? 0 : xercesc::XMLString::stringLen(text));
}

// Names, values and messages are short: they are copied up to their terminator in one pass
// into room that most of them fit, without their length (the player finds their end).
void SaxEventRecorder::putTerminated(const XMLCh* text) {
    constexpr size_t kShortText = 64;
    if (text == nullptr) {
        *chunk_.grow(1) = 0;
        return;
    }
    XMLCh* at = chunk_.grow(kShortText);
    for (size_t i = 0; i < kShortText; ++i) {
        if ((at[i] = text[i]) == 0) {
            chunk_.dropLast(kShortText - i - 1);
            return;
        }
    }
    const XMLCh* rest = text + kShortText;
    const size_t length = xercesc::XMLString::stringLen(rest);
    XMLCh* end = std::copy(rest, rest + length, chunk_.grow(length + 1));
    *end = 0;
}

// The parser's locator numbers its entities, so that a new entity is noticed even when its
// system id reuses the memory of an earlier one's; its system id is read only then.
void SaxEventRecorder::noteEntity(uint64_t number) {
    const XMLCh* systemId = locator_->getSystemId();
    if (number == entityNumber_ && systemId == systemId_) {
        return;
    }
    entityNumber_ = number;
    systemId_ = systemId;
    const XMLCh* publicId = locator_->getPublicId();
    *chunk_.grow(1) = EntityEvent;
    *chunk_.grow(1) = publicId != nullptr;
    putText(publicId);
    *chunk_.grow(1) = systemId != nullptr;
    putText(systemId);
}

// The position of an event, as the locator gives it. The parser's locator gives the position
// in the last external entity: while that is the current one (always, but inside internal
// entities) its number and position are read straight from it.
SaxEventRecorder::Position SaxEventRecorder::position() {
    if (locator_ == nullptr) {
        return Position{0, 0};
    }
    const xercesc::XMLReader* reader =
        readerManager_ != nullptr ? readerManager_->getCurrentReader() : nullptr;
    if (reader != nullptr && reader->getSource() == xercesc::XMLReader::Source_External) {
        if (reader->getReaderNum() != entityNumber_) {
            noteEntity(reader->getReaderNum());
        }
        return Position{uint64_t(reader->getLineNumber()), uint64_t(reader->getColumnNumber())};
    }
    noteEntity(kUnnumbered);
    return Position{uint64_t(locator_->getLineNumber()), uint64_t(locator_->getColumnNumber())};
}

void SaxEventRecorder::begin(XMLCh kind) {
    if (queue_.stopRequested()) {
        throw ReadingStopped();
    }
    const Position where = position();
    XMLCh* at = chunk_.grow(1 + 2 * kMaxNumberUnits);
    *at = kind;
    XMLCh* end = writeNumber(writeNumber(at + 1, where.line), where.column);
    chunk_.dropLast(size_t(at + 1 + 2 * kMaxNumberUnits - end));
}

void SaxEventRecorder::end() {
    if (chunk_.size() >= chunkUnits_) {
        queue_.publish(chunk_);
    }
}

void SaxEventRecorder::finish() {
    if (!chunk_.empty()) {
        queue_.publish(chunk_);
    }
    queue_.close();
}

void SaxEventRecorder::resetDocument() {
    begin(ResetDocumentEvent);
    end();
}

void SaxEventRecorder::setDocumentLocator(const xercesc::Locator* const locator) {
    locator_ = locator;
    readerManager_ = dynamic_cast<const xercesc::ReaderMgr*>(locator);
    begin(LocatorEvent);
    end();
}

void SaxEventRecorder::startElement(const XMLCh* const, const XMLCh* const localName,
                                    const XMLCh* const, const xercesc::Attributes& attributes) {
    begin(StartEvent);
    putTerminated(localName);
    const XMLSize_t count = attributes.getLength();
    putNumber(count);
    for (XMLSize_t i = 0; i < count; ++i) {
        putTerminated(attributes.getLocalName(i));
        const XMLCh* type = attributes.getType(i);
        if (type == xercesc::XMLUni::fgCDATAString) {
            *chunk_.grow(1) = kCdataType;
        } else {
            *chunk_.grow(1) = kOtherType;
            putTerminated(type);
        }
        putTerminated(attributes.getValue(i));
    }
    end();
}

void SaxEventRecorder::endElement(const XMLCh* const, const XMLCh* const localName,
                                  const XMLCh* const) {
    begin(EndEvent);
    putTerminated(localName);
    end();
}

void SaxEventRecorder::characters(const XMLCh* const chars, const XMLSize_t length) {
    begin(CharactersEvent);
    putText(chars, length);
    end();
}

void SaxEventRecorder::ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length) {
    begin(IgnorableEvent);
    putText(chars, length);
    end();
}

void SaxEventRecorder::warning(const xercesc::SAXParseException& exception) {
    begin(WarningEvent);
    putTerminated(exception.getMessage());
    end();
}

void SaxEventRecorder::error(const xercesc::SAXParseException& exception) {
    begin(ErrorEvent);
    putTerminated(exception.getMessage());
    end();
}

void SaxEventRecorder::fatalError(const xercesc::SAXParseException& exception) {
    begin(FatalErrorEvent);
    putTerminated(exception.getMessage());
    end();
}

void SaxEventRecorder::resetErrors() {
    begin(ResetErrorsEvent);
    end();
}
