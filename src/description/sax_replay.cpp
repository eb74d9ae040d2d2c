#include "description/sax_replay.h"

#include <xercesc/internal/ReaderMgr.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <algorithm>

#include "description/xml_text.h"

namespace {

// The kinds of recorded events. Each is written as its kind, then (for all but the first) the
// line and column of the event, then its data. Character data and entity ids are written with
// their length; names, values and messages up to their terminator (XML text has no U+0000).
enum EventKind : XMLCh {
    EntityEvent = 1,  // public id and system id of the entity the following events come from
    LocatorEvent,
    ResetDocumentEvent,
    ResetErrorsEvent,
    StartEvent,  // local name, attribute count, then per attribute local name, type, value
    EndEvent,    // local name
    CharactersEvent,
    IgnorableEvent,
    WarningEvent,  // message
    ErrorEvent,
    FatalErrorEvent,
};

// Attribute types: the parser's own CDATA constant, or a text that follows.
constexpr XMLCh kCdataType = 0;
constexpr XMLCh kOtherType = 1;

constexpr XMLCh kEmpty[] = {0};

// Numbers (lengths, lines, columns) take one unit below 2^15, two below 2^30, else five: the
// first unit tells which.
constexpr uint64_t kOneUnitLimit = uint64_t(1) << 15;
constexpr uint64_t kTwoUnitLimit = uint64_t(1) << 30;
constexpr XMLCh kTwoUnitMark = 0x8000;
constexpr XMLCh kFiveUnitMark = 0xC000;
constexpr size_t kMaxNumberUnits = 5;

XMLCh* writeNumber(XMLCh* at, uint64_t number) {
    if (number < kOneUnitLimit) {
        *at = XMLCh(number);
        return at + 1;
    }
    if (number < kTwoUnitLimit) {
        at[0] = XMLCh(kTwoUnitMark | number >> 16);
        at[1] = XMLCh(number);
        return at + 2;
    }
    at[0] = kFiveUnitMark;
    for (int i = 1; i <= 4; ++i) {
        at[i] = XMLCh(number >> (16 * (4 - i)));
    }
    return at + kMaxNumberUnits;
}

// Reads a chunk written by the recorder.
class ChunkCursor {
  public:
    ChunkCursor(const SaxEventChunk& chunk, size_t at) : data_(chunk.data()), at_(at) {}

    size_t position() const { return at_; }
    XMLCh unit() { return data_[at_++]; }
    uint64_t number() {
        const XMLCh first = data_[at_++];
        if (first < kTwoUnitMark) {
            return first;
        }
        if (first < kFiveUnitMark) {
            return uint64_t(first & ~kTwoUnitMark) << 16 | data_[at_++];
        }
        uint64_t number = 0;
        for (int i = 0; i < 4; ++i) {
            number = number << 16 | data_[at_++];
        }
        return number;
    }
    // A text written with its length, terminated in the chunk.
    const XMLCh* text(size_t& length) {
        length = size_t(number());
        const XMLCh* text = data_ + at_;
        at_ += length + 1;
        return text;
    }
    // A text written up to its terminator only.
    const XMLCh* terminated() {
        const XMLCh* text = data_ + at_;
        at_ += xercesc::XMLString::stringLen(text) + 1;
        return text;
    }

  private:
    const XMLCh* data_;
    size_t at_;
};

}  // namespace

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
