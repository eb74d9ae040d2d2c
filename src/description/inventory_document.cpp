#include "description/inventory_document.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>

#include <cstdio>
#include <functional>
#include <string>

#include "description/xml_handlers.h"
#include "description/xml_reader_setup.h"
#include "description/xml_text.h"

namespace {

void printParserFailure(const std::string& message) {
    const std::string line = message + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// Runs one parse with a fresh handler; the tree when the document was read without error.
std::unique_ptr<VkCInventoryItem> runParse(
    const std::function<void(xercesc::SAX2XMLReader&)>& parse) {
    if (!initialiseXmlPlatform()) {
        return nullptr;
    }
    VkCInventoryXMLHandlers handler;  // outlives the reader that calls it
    try {
        InventoryXmlReader setup;
        xercesc::SAX2XMLReader& reader = setup.reader();
        reader.setContentHandler(&handler);
        reader.setErrorHandler(&handler);
        handler.resetErrors();
        parse(reader);
    } catch (const xercesc::OutOfMemoryException&) {
        printParserFailure("FATAL ERROR: Out of memory exception.");
        return nullptr;
    } catch (const xercesc::XMLException& exception) {
        printParserFailure("FATAL ERROR: " + xmlToUtf8(exception.getMessage()));
        return nullptr;
    } catch (...) {
        printParserFailure("FATAL ERROR: Unexpected exception.");
        return nullptr;
    }
    if (handler.sawErrors()) {
        return nullptr;
    }
    return handler.takeRootItem();
}

}  // namespace

// The path is always a local file: a folder name that happens to look like a URL is not
// fetched from the network.
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path) {
    const std::basic_string<XMLCh> filePath = wideToXml(path);
    return runParse([&](xercesc::SAX2XMLReader& reader) {
        const xercesc::LocalFileInputSource source(filePath.c_str());
        reader.parse(source);
    });
}

std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const void* data, size_t size,
                                                         const char* bufferId) {
    return runParse([&](xercesc::SAX2XMLReader& reader) {
        const xercesc::MemBufInputSource source(static_cast<const XMLByte*>(data), size, bufferId);
        reader.parse(source);
    });
}
