#include "description/xml_messages.h"

#include <cstdint>
#include <cstdio>

#include "description/xml_text.h"
#include "reporting/format.h"

namespace {

void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void printMessage(const xercesc::Locator* locator, const char* severity,
                  const std::string& message) {
    std::string line;
    if (locator != nullptr) {
        const std::string systemId = xmlToUtf8(locator->getSystemId());
        line = formatNarrowText("%s:%I64u:%I64u: %s: %s\n", systemId.c_str(),
                                uint64_t(locator->getLineNumber()),
                                uint64_t(locator->getColumnNumber()), severity, message.c_str());
    } else {
        line = formatNarrowText("%s: %s\n", severity, message.c_str());
    }
    printLine(line);
}

}  // namespace

void printReaderError(const xercesc::Locator* locator, const std::string& message) {
    printMessage(locator, "error", message);
}

void printReaderWarning(const xercesc::Locator* locator, const std::string& message) {
    printMessage(locator, "warning", message);
}

void printReaderFatalError(const xercesc::Locator* locator, const std::string& message) {
    printMessage(locator, "fatal error", message);
}

void stopReading(const xercesc::Locator* locator, const std::string& message) {
    printReaderError(locator, message);
    throw ReadingStopped();
}

void printFileError(const std::string& message) {
    printLine("ERROR: " + message + "\n");
}

void printFileWarning(const std::string& message) {
    printLine("WARNING: " + message + "\n");
}
