#pragma once
// Recorded SAX events (sax_recorder.h) replayed to a handler: each with the position it had, a
// replayed element's qualified name being its local name and its URI empty.
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <cstddef>
#include <string>
#include <vector>

#include "description/sax_event_queue.h"

// The locator handed to the replay's handler: the position of the event being replayed.
class RecordedLocator : public xercesc::Locator {
  public:
    const XMLCh* getPublicId() const override;
    const XMLCh* getSystemId() const override;
    XMLFileLoc getLineNumber() const override { return line_; }
    XMLFileLoc getColumnNumber() const override { return column_; }

  private:
    friend class SaxEventPlayer;
    std::basic_string<XMLCh> publicId_;
    std::basic_string<XMLCh> systemId_;
    bool hasPublicId_ = false;
    bool hasSystemId_ = false;
    XMLFileLoc line_ = 0;
    XMLFileLoc column_ = 0;
};

// The attributes of the element being replayed; the texts live in the chunk.
class RecordedAttributes : public xercesc::Attributes {
  public:
    struct Attribute {
        const XMLCh* localName;
        const XMLCh* type;
        const XMLCh* value;
    };

    XMLSize_t getLength() const override { return list_.size(); }
    const XMLCh* getURI(const XMLSize_t index) const override;
    const XMLCh* getLocalName(const XMLSize_t index) const override;
    const XMLCh* getQName(const XMLSize_t index) const override;
    const XMLCh* getType(const XMLSize_t index) const override;
    const XMLCh* getValue(const XMLSize_t index) const override;
    bool getIndex(const XMLCh* const uri, const XMLCh* const localPart,
                  XMLSize_t& index) const override;
    int getIndex(const XMLCh* const uri, const XMLCh* const localPart) const override;
    bool getIndex(const XMLCh* const qName, XMLSize_t& index) const override;
    int getIndex(const XMLCh* const qName) const override;
    const XMLCh* getType(const XMLCh* const uri, const XMLCh* const localPart) const override;
    const XMLCh* getType(const XMLCh* const qName) const override;
    const XMLCh* getValue(const XMLCh* const uri, const XMLCh* const localPart) const override;
    const XMLCh* getValue(const XMLCh* const qName) const override;

  private:
    friend class SaxEventPlayer;
    std::vector<Attribute> list_;
};

// Replays recorded chunks to a handler, in order. Exceptions of the handler pass through.
class SaxEventPlayer {
  public:
    explicit SaxEventPlayer(xercesc::DefaultHandler& handler) : handler_(handler) {}

    void play(const SaxEventChunk& chunk);

  private:
    // Plays the event at position at of chunk and returns the position after it.
    size_t playEvent(const SaxEventChunk& chunk, size_t at);

    xercesc::DefaultHandler& handler_;
    RecordedLocator locator_;
    RecordedAttributes attributes_;
};
