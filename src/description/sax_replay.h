#pragma once
// SAX events recorded on the parser's thread and replayed, in the same order and with the same
// document positions, to a handler on another thread.
//
// What is kept of an event is what the inventory reader's handler reads: element local names,
// attribute local names, types and values, character data, the length of ignorable white
// space, the messages of the parser's warnings and errors, and the locator's system and public
// id, line and column at each event. Namespace URIs and qualified names are not kept: a
// replayed element's qualified name is its local name and its URI is empty.
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "description/sax_event_queue.h"

XERCES_CPP_NAMESPACE_BEGIN
class ReaderMgr;
XERCES_CPP_NAMESPACE_END

// The content and error handler of the parser's thread: writes each event into the current
// chunk and publishes full chunks to the queue. When the consumer asks to stop, the next event
// ends the parse with ReadingStopped (whose reason the consumer has printed).
class SaxEventRecorder : public xercesc::DefaultHandler {
  public:
    // A chunk is published once it holds chunkUnits; an event never spans two chunks.
    SaxEventRecorder(SaxEventQueue& queue, size_t chunkUnits)
        : queue_(queue), chunkUnits_(chunkUnits) {}

    // Publishes what is not yet published and closes the queue; called once, after the parse.
    void finish();

    void resetDocument() override;
    void setDocumentLocator(const xercesc::Locator* const locator) override;
    void startElement(const XMLCh* const uri, const XMLCh* const localName,
                      const XMLCh* const qualifiedName,
                      const xercesc::Attributes& attributes) override;
    void endElement(const XMLCh* const uri, const XMLCh* const localName,
                    const XMLCh* const qualifiedName) override;
    void characters(const XMLCh* const chars, const XMLSize_t length) override;
    void ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length) override;
    void warning(const xercesc::SAXParseException& exception) override;
    void error(const xercesc::SAXParseException& exception) override;
    void fatalError(const xercesc::SAXParseException& exception) override;
    void resetErrors() override;

  private:
    // Starts an event: stops the parse when asked to, notes a new entity, writes kind and
    // position.
    void begin(XMLCh kind);
    // Ends an event: publishes the chunk once it is full.
    void end();
    struct Position {
        uint64_t line;
        uint64_t column;
    };
    Position position();
    // Records the entity's ids when it is not the one the last event came from.
    void noteEntity(uint64_t number);
    void putNumber(uint64_t number);
    void putText(const XMLCh* text, size_t length);
    void putText(const XMLCh* text);
    void putTerminated(const XMLCh* text);

    SaxEventQueue& queue_;
    const size_t chunkUnits_;
    SaxEventChunk chunk_;
    const xercesc::Locator* locator_ = nullptr;
    const xercesc::ReaderMgr* readerManager_ = nullptr;  // the locator, when it is the parser's
    const XMLCh* systemId_ = nullptr;                    // the entity the last event came from
    // The parser's number of that entity; kUnnumbered inside internal entities or with another
    // locator, kNone before the first.
    static constexpr uint64_t kUnnumbered = UINT64_MAX - 1;
    static constexpr uint64_t kNone = UINT64_MAX;
    uint64_t entityNumber_ = kNone;
};

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
