#pragma once
// SAX events recorded on the parser's thread, to be replayed to a handler on another thread
// (sax_player.h) in the same order and with the same document positions.
//
// What is kept of an event is what the inventory reader's handler reads: element local names,
// attribute local names, types and values, character data, ignorable white space, the
// messages of the parser's warnings and errors, and the locator's system and public id, line
// and column at each event. Namespace URIs and qualified names are not kept.
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <cstddef>
#include <cstdint>

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
