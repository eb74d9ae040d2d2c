#pragma once
#include <xercesc/framework/MemoryManager.hpp>

#include <cstddef>

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
