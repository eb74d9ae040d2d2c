#include "description/regular_file_input.h"

#include <xercesc/util/BinInputStream.hpp>

#include <memory>

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
