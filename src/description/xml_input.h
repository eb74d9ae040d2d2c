#pragma once
// What the XML parser reads from and with: its platform, a reader with the guards of the
// inventory reader, the input of an open regular file and a memory manager with a budget.
#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "description/regular_file.h"

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

// Hands the XML parser a regular file that is already open, so that the parser never opens a
// path itself (it would open a pipe or a device as it stands and wait on it). The parser reads
// the file in blocks as it goes; the file must outlive the parse.
class RegularFileInputSource : public xercesc::InputSource {
  public:
    RegularFileInputSource(RegularFile& file, const XMLCh* systemId);
    xercesc::BinInputStream* makeStream() const override;

  private:
    RegularFile& file_;
};

// The memory manager of one parse: it lets the parser hold at most budget bytes at once and
// refuses more with the parser library's out-of-memory exception, which ends the parse. The
// reader's handler bounds the text a document delivers, but the parser builds an attribute
// value whole before the handler sees it: this bound holds there too.
class BoundedMemoryManager : public xercesc::MemoryManager {
  public:
    explicit BoundedMemoryManager(size_t budget) : budget_(budget) {}

    xercesc::MemoryManager* getExceptionMemoryManager() override;
    void* allocate(XMLSize_t size) override;
    void deallocate(void* block) override;

    size_t budget() const { return budget_; }
    // Whether an allocation was refused for the budget.
    bool exhausted() const { return exhausted_; }

  private:
    size_t budget_;
    size_t held_ = 0;
    bool exhausted_ = false;
};
