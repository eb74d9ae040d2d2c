#pragma once
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXException.hpp>

#include <string>

// The reader's diagnostics: one line each, straight to standard error (never routed to the
// host), prefixed with "file:line:column: " when the parser has given a document locator.
void printReaderError(const xercesc::Locator* locator, const std::string& message);
void printReaderWarning(const xercesc::Locator* locator, const std::string& message);
void printReaderFatalError(const xercesc::Locator* locator, const std::string& message);

// What stopReading throws: the reason has been printed already.
class ReadingStopped : public xercesc::SAXException {};

// Prints an error like printReaderError and stops the parse: throws ReadingStopped, a SAX
// exception of the parser library, which the reader catches around the parse.
[[noreturn]] void stopReading(const xercesc::Locator* locator, const std::string& message);

// Messages about a file as a whole, without a position: "ERROR: " or "WARNING: " and the
// message, on standard error like the reader's other messages.
void printFileError(const std::string& message);
void printFileWarning(const std::string& message);
