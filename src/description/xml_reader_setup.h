#pragma once
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>

#include <memory>

// Initialises the XML parser's platform on first use and keeps it for the life of the process
// (it is never terminated). False, after printing why to standard output, when it fails.
bool initialiseXmlPlatform();

// Resolves external entities and DTDs only to local regular files. References with a URL
// scheme (network or file URLs) and paths to devices, pipes or folders are refused, which the
// parser reports as a fatal error: a description cannot make the reader wait on the network
// or on a device.
class ExternalEntityGuard : public xercesc::XMLEntityResolver {
  public:
    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override;
};

// A SAX2 reader as the inventory reader uses it: the parser library's default features, plus
// the external entity guard and a limit on entity expansions (the parser's default limit of
// its security manager), so that a hostile document can neither fetch resources nor expand
// without bound.
class InventoryXmlReader {
  public:
    InventoryXmlReader();
    InventoryXmlReader(const InventoryXmlReader&) = delete;
    InventoryXmlReader& operator=(const InventoryXmlReader&) = delete;

    xercesc::SAX2XMLReader& reader() { return *reader_; }

  private:
    xercesc::SecurityManager securityManager_;
    ExternalEntityGuard entityGuard_;
    std::unique_ptr<xercesc::SAX2XMLReader> reader_;  // last: released before the guards
};
