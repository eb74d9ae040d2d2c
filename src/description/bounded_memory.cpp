#include "description/bounded_memory.h"

#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cstddef>
#include <cstdlib>

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
