#include "description/xml_reader_setup.h"

#include <sys/stat.h>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <string>

#include "description/xml_text.h"

namespace {

// An input source that cannot be opened: the parser reports the reference as unreadable.
class RefusedInputSource : public xercesc::InputSource {
  public:
    explicit RefusedInputSource(const XMLCh* systemId) : InputSource(systemId) {}
    xercesc::BinInputStream* makeStream() const override { return nullptr; }
};

// The parser adopts the source it is given.
xercesc::InputSource* refuse(const XMLCh* systemId) {
    return std::make_unique<RefusedInputSource>(systemId).release();
}

bool isUrl(const XMLCh* base, const XMLCh* systemId) {
    xercesc::XMLURL url;
    return url.setURL(base, systemId, url) && !url.isRelative();
}

bool isRegularFile(const XMLCh* path) {
    struct stat status;
    return ::stat(xmlToUtf8(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
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

xercesc::InputSource* ExternalEntityGuard::resolveEntity(xercesc::XMLResourceIdentifier* resource) {
    const XMLCh* systemId = resource->getSystemId();
    const XMLCh* base = resource->getBaseURI();
    if (systemId == nullptr || *systemId == 0 || isUrl(base, systemId)) {
        return refuse(systemId);
    }
    std::unique_ptr<xercesc::InputSource> local;
    try {
        if (base != nullptr && *base != 0) {
            local = std::make_unique<xercesc::LocalFileInputSource>(base, systemId);
        } else {
            local = std::make_unique<xercesc::LocalFileInputSource>(systemId);
        }
    } catch (...) {
        return refuse(systemId);
    }
    if (!isRegularFile(local->getSystemId())) {
        return refuse(systemId);
    }
    return local.release();
}

InventoryXmlReader::InventoryXmlReader() : reader_(xercesc::XMLReaderFactory::createXMLReader()) {
    reader_->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager_);
    // The guard needs the base of relative references, which only the parser's own resolver
    // interface passes on; the factory makes readers of that class.
    auto* implementation = dynamic_cast<xercesc::SAX2XMLReaderImpl*>(reader_.get());
    if (implementation != nullptr) {
        implementation->setXMLEntityResolver(&entityGuard_);
    }
}
