#include "description/sax_event_queue.h"

#include <algorithm>
#include <utility>

void SaxEventChunk::makeRoom(size_t count) {
    const size_t capacity = std::max(2 * capacity_, size_ + count);
    std::unique_ptr<XMLCh[]> units(new XMLCh[capacity]);
    std::copy(units_.get(), units_.get() + size_, units.get());
    units_ = std::move(units);
    capacity_ = capacity;
}

// Each side wakes the other only when the other may be waiting: the consumer when a batch has
// just become ready, the producer when the queue was full.
void SaxEventQueue::publish(SaxEventChunk& chunk) {
    std::unique_lock<std::mutex> lock(mutex_);
    notFull_.wait(lock, [this] { return waiting_.size() < maxWaiting_; });
    waiting_.push_back(std::move(chunk));
    const bool batchReady = waiting_.size() == batchSize_;
    if (spare_.empty()) {
        chunk = SaxEventChunk();
    } else {
        chunk = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    chunk.clear();
    if (batchReady) {
        batchReady_.notify_one();
    }
}

void SaxEventQueue::close() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    batchReady_.notify_one();
}

bool SaxEventQueue::take(std::deque<SaxEventChunk>& batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    batchReady_.wait(lock, [this] { return waiting_.size() >= batchSize_ || closed_; });
    if (waiting_.empty()) {
        return false;
    }
    const bool wasFull = waiting_.size() >= maxWaiting_;
    for (SaxEventChunk& chunk : waiting_) {
        batch.push_back(std::move(chunk));
    }
    waiting_.clear();
    lock.unlock();
    if (wasFull) {
        notFull_.notify_one();
    }
    return true;
}

void SaxEventQueue::giveBack(SaxEventChunk&& chunk) {
    const std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(chunk));
}
