#pragma once
#include <xercesc/sax/InputSource.hpp>

#include "description/regular_file.h"

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
