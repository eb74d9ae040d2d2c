#pragma once
#include <xercesc/sax/Locator.hpp>

#include <string>

// The reader's diagnostics: one line each, straight to standard error (never routed to the
// host), prefixed with "file:line:column: " when the parser has given a document locator.
void printReaderError(const xercesc::Locator* locator, const std::string& message);
void printReaderWarning(const xercesc::Locator* locator, const std::string& message);
void printReaderFatalError(const xercesc::Locator* locator, const std::string& message);
