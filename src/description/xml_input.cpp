#include "description/xml_input.h"

#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/BinMemInputStream.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "description/xml_text.h"
#include "reporting/format.h"
#include "utf8_conversion.h"

namespace {

// Entity files are DTDs and small fragments; no more of one is read than of a description.
constexpr size_t kMaxEntityBytes = size_t(16) << 20;

// The content of an entity file, read by the guard. The parser makes its stream from a copy,
// since it releases the source as soon as the stream is made.
class EntityContentSource : public xercesc::InputSource {
  public:
    EntityContentSource(const XMLCh* systemId, std::string content)
        : InputSource(systemId), content_(std::move(content)) {}

    xercesc::BinInputStream* makeStream() const override {
        return std::make_unique<xercesc::BinMemInputStream>(
                   reinterpret_cast<const XMLByte*>(content_.data()), content_.size(),
                   xercesc::BinMemInputStream::BufOpt_Copy)
            .release();
    }

  private:
    std::string content_;
};

struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};

// The path with every symbolic link, "." and ".." resolved; nothing when it does not exist.
std::optional<std::string> realPath(const std::string& path) {
    const std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.c_str(), nullptr));
    if (!resolved) {
        return std::nullopt;
    }
    return std::string(resolved.get());
}

// A scheme such as "http:" or "file:" in front: a URL, never a local path.
bool hasUrlScheme(const std::string& systemId) {
    const size_t colon = systemId.find(':');
    if (colon == std::string::npos || colon == 0 || systemId.find_first_of("/\\") < colon) {
        return false;
    }
    for (size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(systemId[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

bool hasParentComponent(const std::string& systemId) {
    size_t start = 0;
    while (start <= systemId.size()) {
        size_t end = systemId.find_first_of("/\\", start);
        if (end == std::string::npos) {
            end = systemId.size();
        }
        if (systemId.compare(start, end - start, "..") == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The local path a reference names: an absolute path as it stands, a relative one in the
// folder of the entity that makes the reference.
std::string referencedPath(const std::string& systemId, const std::string& base) {
    if (systemId.front() == '/') {
        return systemId;
    }
    const size_t slash = base.rfind('/');
    return (slash == std::string::npos ? std::string(".") : base.substr(0, slash)) + "/" + systemId;
}

bool isInside(const std::string& path, const std::string& folder) {
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

[[noreturn]] void refuse(const xercesc::XMLResourceIdentifier& resource,
                         const std::string& systemId, const std::string& reason) {
    stopReadingLater(resource.getLocator(),
                     "External entity \"" + systemId + "\" is refused: " + reason + ".");
}

}  // namespace

bool initialiseXmlPlatform() {
    static bool initialised = false;
    if (initialised) {
        return true;
    }
    try {
        xercesc::XMLPlatformUtils::Initialize();
    } catch (const xercesc::XMLException& exception) {
        const std::string line =
            "FATAL ERROR during initialization of XML parser:" + xmlToUtf8(exception.getMessage()) +
            "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
        return false;
    }
    initialised = true;
    return true;
}

ExternalEntityGuard::ExternalEntityGuard(const std::string& folder, uint64_t byteBudget)
    : realFolder_(folder.empty() ? std::string() : realPath(folder).value_or(std::string())),
      byteBudget_(byteBudget) {}

xercesc::InputSource* ExternalEntityGuard::resolveEntity(xercesc::XMLResourceIdentifier* resource) {
    const std::string systemId = xmlToUtf8(resource->getSystemId());
    if (systemId.empty()) {
        refuse(*resource, systemId, "it names no file");
    }
    if (realFolder_.empty()) {
        refuse(*resource, systemId, "this document may not refer to other files");
    }
    const std::string outside =
        "only files inside the firmware folder " + realFolder_ + " are read";
    if (hasUrlScheme(systemId) || hasParentComponent(systemId)) {
        refuse(*resource, systemId, outside);
    }
    const std::string path = referencedPath(systemId, xmlToUtf8(resource->getBaseURI()));
    const std::optional<std::string> real = realPath(path);
    if (!real) {
        refuse(*resource, systemId, std::strerror(errno));  // as realpath left it
    }
    if (!isInside(*real, realFolder_)) {
        refuse(*resource, systemId, outside);
    }
    std::string problem;
    std::optional<std::string> content = readRegularFile(*real, kMaxEntityBytes, problem);
    if (!content) {
        refuse(*resource, systemId, problem);
    }
    if (content->size() > byteBudget_ - bytesRead_) {
        refuse(*resource, systemId,
               "the entity files of this document would have more than " +
                   std::to_string(byteBudget_) + " bytes together");
    }
    bytesRead_ += content->size();
    return std::make_unique<EntityContentSource>(wideToXml(utf8ToWide(*real)).c_str(),
                                                 std::move(*content))
        .release();
}

// The reader is made as the parser's own class, not through its factory: the guard needs the
// base of relative references, which only that class's resolver interface passes on.
InventoryXmlReader::InventoryXmlReader(const std::string& entityFolder, uint64_t entityBytes,
                                       xercesc::MemoryManager& memory)
    : entityGuard_(entityFolder, entityBytes),
      reader_(std::make_unique<xercesc::SAX2XMLReaderImpl>(&memory)) {
    reader_->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager_);
    reader_->setXMLEntityResolver(&entityGuard_);
}

namespace {

class RegularFileStream : public xercesc::BinInputStream {
  public:
    explicit RegularFileStream(RegularFile& file) : file_(file) {}

    XMLFilePos curPos() const override { return position_; }
    // A read error ends the stream: the parser then reports the document as cut short.
    XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override {
        const ssize_t got = file_.read(toFill, maxToRead);
        if (got <= 0) {
            return 0;
        }
        position_ += XMLFilePos(got);
        return XMLSize_t(got);
    }
    const XMLCh* getContentType() const override { return nullptr; }

  private:
    RegularFile& file_;
    XMLFilePos position_ = 0;
};

}  // namespace

RegularFileInputSource::RegularFileInputSource(RegularFile& file, const XMLCh* systemId)
    : InputSource(systemId), file_(file) {}

xercesc::BinInputStream* RegularFileInputSource::makeStream() const {
    // The parser adopts the stream it is given.
    return std::make_unique<RegularFileStream>(file_).release();
}

namespace {

// Each block starts with its size, in a header that keeps the block's alignment.
constexpr size_t kHeader = alignof(std::max_align_t);

}  // namespace

xercesc::MemoryManager* BoundedMemoryManager::getExceptionMemoryManager() {
    return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* BoundedMemoryManager::allocate(XMLSize_t size) {
    if (size > budget_ - held_) {
        exhausted_ = true;
        throw xercesc::OutOfMemoryException();
    }
    void* block = std::malloc(kHeader + size);
    if (block == nullptr) {
        throw xercesc::OutOfMemoryException();
    }
    *static_cast<size_t*>(block) = size;
    held_ += size;
    return static_cast<char*>(block) + kHeader;
}

void BoundedMemoryManager::deallocate(void* block) {
    if (block == nullptr) {
        return;
    }
    void* start = static_cast<char*>(block) - kHeader;
    held_ -= *static_cast<size_t*>(start);
    std::free(start);
}
