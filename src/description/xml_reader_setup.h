#pragma once
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>

#include <cstdint>
#include <memory>
#include <string>

// Initialises the XML parser's platform on first use and keeps it for the life of the process
// (it is never terminated). False, after printing why to standard output, when it fails.
bool initialiseXmlPlatform();

// Resolves external entities and DTDs only to regular files inside one folder (the firmware
// folder). Whatever else a reference names is refused with a message naming it, and the parse
// stops: references with a URL scheme, absolute paths outside the folder, paths with a ".."
// component, symbolic links that lead out of the folder (real paths are compared), and
// folders, pipes and devices. A description can neither make the reader wait on the network
// or on a device nor copy another file of the system into its values. All entity files that
// one parse reads, each reference counted anew, may have at most byteBudget bytes together.
class ExternalEntityGuard : public xercesc::XMLEntityResolver {
  public:
    // folder: the only folder entities may come from; empty allows none.
    ExternalEntityGuard(const std::string& folder, uint64_t byteBudget);

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override;

  private:
    std::string realFolder_;  // empty when no entity is allowed
    uint64_t byteBudget_;
    uint64_t bytesRead_ = 0;
};

// A SAX2 reader as the inventory reader uses it: the parser library's default features, plus
// the external entity guard and a limit on entity expansions (the parser's default limit of
// its security manager), so that a hostile document can neither fetch resources nor expand
// without bound. entityFolder and entityBytes: as for ExternalEntityGuard. The reader
// allocates through memory, which must outlive it.
class InventoryXmlReader {
  public:
    InventoryXmlReader(const std::string& entityFolder, uint64_t entityBytes,
                       xercesc::MemoryManager& memory);
    InventoryXmlReader(const InventoryXmlReader&) = delete;
    InventoryXmlReader& operator=(const InventoryXmlReader&) = delete;

    xercesc::SAX2XMLReader& reader() { return *reader_; }

  private:
    xercesc::SecurityManager securityManager_;
    ExternalEntityGuard entityGuard_;
    std::unique_ptr<xercesc::SAX2XMLReaderImpl> reader_;  // last: released before the guards
};
