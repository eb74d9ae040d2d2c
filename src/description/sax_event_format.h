#pragma once
// The form of recorded SAX events in a chunk: one 16-bit unit for the kind of event, the
// event's position, then its data; numbers in one, two or five units.
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>
#include <cstdint>

#include "description/sax_event_queue.h"

namespace sax_events {

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

// Numbers (lengths, lines, columns) take one unit below 2^15, two below 2^30, else five: the
// first unit tells which.
constexpr uint64_t kOneUnitLimit = uint64_t(1) << 15;
constexpr uint64_t kTwoUnitLimit = uint64_t(1) << 30;
constexpr XMLCh kTwoUnitMark = 0x8000;
constexpr XMLCh kFiveUnitMark = 0xC000;
constexpr size_t kMaxNumberUnits = 5;

inline XMLCh* writeNumber(XMLCh* at, uint64_t number) {
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

}  // namespace sax_events
