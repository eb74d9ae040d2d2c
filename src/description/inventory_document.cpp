#include "description/inventory_document.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>

#include <cstdint>
#include <cstdio>
#include <string>

#include "description/parallel_parse.h"
#include "description/regular_file.h"
#include "description/xml_input.h"
#include "description/xml_reader.h"
#include "description/xml_text.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

// How far entities may expand a document's text: this factor times the document's size, plus
// the allowance, in characters.
constexpr uint64_t kExpansionFactor = 16;
constexpr uint64_t kExpansionAllowance = uint64_t(1) << 20;
// The memory the parser may hold: room for a few copies of the whole expanded text (an
// attribute value grows in a buffer that doubles), plus this much for everything else.
constexpr uint64_t kTextCopiesInMemory = 4;
constexpr uint64_t kMemoryAllowance = uint64_t(16) << 20;

// Handing the parser's events to a second thread pays only for larger documents: below this
// size starting the thread and waking it cost more than the handler's work it takes over.
constexpr uint64_t kSmallestDocumentBeside = uint64_t(256) << 10;

uint64_t textLimitFor(size_t documentSize) {
    return kExpansionFactor * documentSize + kExpansionAllowance;
}

size_t memoryBudgetFor(size_t documentSize) {
    return size_t(kTextCopiesInMemory * sizeof(XMLCh) * textLimitFor(documentSize) +
                  kMemoryAllowance);
}

void printParserFailure(const std::string& message) {
    const std::string line = message + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// A document and what its reading may use.
struct Document {
    const xercesc::InputSource& source;
    uint64_t size;
    std::string name;                 // stands for the document in messages
    std::string entityFolder;         // where external entities may come from; empty: nowhere
    SubItemReadCallback subItemRead;  // may be empty
};

// Runs one parse with a fresh handler; the tree when the document was read without error.
// The parser's platform must be up (initialiseXmlPlatform) before any of its objects is made.
std::unique_ptr<VkCInventoryItem> runParse(const Document& document) {
    VkCInventoryXMLHandlers handler;  // outlives the reader that calls it
    handler.limitText(document.name, textLimitFor(document.size));
    handler.watchSubItems(document.subItemRead);
    BoundedMemoryManager memory(memoryBudgetFor(document.size));  // outlives the reader too
    try {
        // Entity files may bring in as many bytes as entities may expand the text.
        InventoryXmlReader setup(document.entityFolder, textLimitFor(document.size), memory);
        handler.resetErrors();
        if (document.size >= kSmallestDocumentBeside) {
            parseBesideHandler(setup.reader(), document.source, document.size, handler);
        } else {
            parseDirectly(setup.reader(), document.source, handler);
        }
    } catch (const ReadingStopped& stopped) {
        printHeldReason(stopped);
        return nullptr;
    } catch (const xercesc::OutOfMemoryException&) {
        if (memory.exhausted()) {
            printFileError(
                "Reading " + document.name + " takes more than " + std::to_string(memory.budget()) +
                " bytes of memory with its entities expanded; the document is not read.");
        } else {
            printParserFailure("FATAL ERROR: Out of memory exception.");
        }
        return nullptr;
    } catch (const xercesc::XMLException& exception) {
        printParserFailure("FATAL ERROR: " + xmlToUtf8(exception.getMessage()));
        return nullptr;
    } catch (const xercesc::SAXException& exception) {
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

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path) {
    return parseInventoryDocument(path, utf8ToWide(folderOf(wideToUtf8(path))));
}

// The file is opened here rather than by the parser, which would open a pipe or device as
// it stands and wait on it; the parser reads it in blocks from the open file.
std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path,
                                                         const std::wstring& entityFolder) {
    return parseInventoryDocument(path, entityFolder, SubItemReadCallback());
}

std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const std::wstring& path,
                                                         const std::wstring& entityFolder,
                                                         SubItemReadCallback subItemRead) {
    const std::string name = wideToUtf8(path);
    if (!initialiseXmlPlatform()) {
        return nullptr;
    }
    RegularFile file(name);
    if (!file.isOpen()) {
        printFileError("Cannot read the description file " + name + ": " + file.problem() + ".");
        return nullptr;
    }
    const std::basic_string<XMLCh> systemId = wideToXml(path);
    const RegularFileInputSource source(file, systemId.c_str());
    return runParse({source, file.size(), name, wideToUtf8(entityFolder), std::move(subItemRead)});
}

std::unique_ptr<VkCInventoryItem> parseInventoryDocument(const void* data, size_t size,
                                                         const char* bufferId) {
    if (!initialiseXmlPlatform()) {
        return nullptr;
    }
    const std::basic_string<XMLCh> systemId = wideToXml(utf8ToWide(bufferId));
    const xercesc::MemBufInputSource source(static_cast<const XMLByte*>(data), size,
                                            systemId.c_str());
    return runParse({source, size, bufferId, std::string(), SubItemReadCallback()});
}
