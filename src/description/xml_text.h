#pragma once
// The reader's texts: conversions between the parser's UTF-16 strings and the library's texts,
// and the reader's diagnostics.
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

// Appends length UTF-16 units as UTF-8; unpaired surrogates become U+FFFD.
void appendUtf8(const XMLCh* text, size_t length, std::string& out);
// Appends a terminated parser string as UTF-8; nothing for null.
void appendUtf8(const XMLCh* text, std::string& out);
// A terminated parser string as UTF-8, written into storage (grown when needed, never shrunk)
// and viewed from there: valid until storage is used again. For the many short texts of a
// document, without a string operation per text.
std::string_view xmlToUtf8View(const XMLCh* text, std::string& storage);
// A terminated parser string as UTF-8; the empty text for null.
std::string xmlToUtf8(const XMLCh* text);
// A wide text (UTF-32 here) as a terminated parser string.
std::basic_string<XMLCh> wideToXml(const std::wstring& text);
// Whether a terminated parser string equals an ASCII text.
bool xmlEqualsAscii(const XMLCh* text, const char* ascii);

// The reader's diagnostics: one line each, straight to standard error (never routed to the
// host), prefixed with "file:line:column: " when the parser has given a document locator.
void printReaderError(const xercesc::Locator* locator, const std::string& message);
void printReaderWarning(const xercesc::Locator* locator, const std::string& message);
void printReaderFatalError(const xercesc::Locator* locator, const std::string& message);

// What stopReading and stopReadingLater throw: a SAX exception of the parser library, which
// the reader catches around the parse. The reason has been printed already, or is held here
// for whoever catches it to print (printHeldReason).
class ReadingStopped : public xercesc::SAXException {
  public:
    ReadingStopped() = default;
    explicit ReadingStopped(std::string heldLine) : heldLine_(std::move(heldLine)) {}
    const std::string& heldLine() const { return heldLine_; }

  private:
    std::string heldLine_;
};

// Prints an error like printReaderError and stops the parse: throws ReadingStopped.
[[noreturn]] void stopReading(const xercesc::Locator* locator, const std::string& message);
// Stops the parse with the error held in the exception, not printed: for the parser's own
// thread, whose events a handler on another thread may not have printed yet.
[[noreturn]] void stopReadingLater(const xercesc::Locator* locator, const std::string& message);
// Prints what the exception holds, if anything.
void printHeldReason(const ReadingStopped& stopped);

// Messages about a file as a whole, without a position: "ERROR: " or "WARNING: " and the
// message, on standard error like the reader's other messages.
void printFileError(const std::string& message);
void printFileWarning(const std::string& message);
