#include "description/reader_context.h"

#include "description/xml_messages.h"

void ReaderContext::resetDocument() {
    state = DocumentLevel;
    rootItem.reset();
    currentItem = nullptr;
    subItems.clear();
    itemDepth = 0;
}

void ReaderContext::abort() {
    rootItem.reset();
    currentItem = nullptr;
    subItems.clear();
    itemDepth = 0;
    state = Failed;
}

void ReaderContext::fail(const std::string& message) {
    printReaderError(locator, message);
    abort();
}

void ReaderContext::failFatally(const std::string& message) {
    printReaderFatalError(locator, message);
    abort();
}

void ReaderContext::warn(const std::string& message) const {
    printReaderWarning(locator, message);
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}
