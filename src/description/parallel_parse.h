#pragma once
// A parse whose handler runs beside the parser: the calling thread parses and records the
// events, a second thread replays them to the handler. On a machine with two cores building
// the inventory tree then costs little more than the parse itself.
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>

#include <cstdint>

// Parses source with reader, handler receiving its events on the calling thread. The reader's
// content and error handlers are left unset.
void parseDirectly(xercesc::SAX2XMLReader& reader, const xercesc::InputSource& source,
                   xercesc::DefaultHandler& handler);

// Parses source with reader; handler receives every content and error event in order, with
// the document position of each. documentBytes, the size of the document (0: unknown), sizes
// the portions handed over. The parse ends when the handler throws (its exception is
// rethrown here, as from a direct parse) or when the parser throws (rethrown after the handler
// has seen every event before it). On a machine with one processor, or when no thread can be
// started, the parse runs directly.
// The reader's content and error handlers are left unset.
void parseBesideHandler(xercesc::SAX2XMLReader& reader, const xercesc::InputSource& source,
                        uint64_t documentBytes, xercesc::DefaultHandler& handler);
