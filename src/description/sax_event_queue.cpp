#include "description/sax_event_queue.h"

#include <algorithm>
#include <utility>

void SaxEventChunk::makeRoom(size_t count) {
    const size_t capacity = std::max({2 * capacity_, size_ + count, kFirstCapacity});
    std::unique_ptr<XMLCh[]> units(new XMLCh[capacity]);
    std::copy(units_.get(), units_.get() + size_, units.get());
    units_ = std::move(units);
    capacity_ = capacity;
}

bool SaxEventQueue::batchReady() const {
    return waitingUnits_ >= batchUnits_ || closed_ || (producerWaits_ && !waiting_.empty());
}

// Each side wakes the other only when the other may be waiting: the consumer when a batch has
// just become ready, the producer when room was made.
void SaxEventQueue::publish(SaxEventChunk& chunk) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto hasRoom = [this, &chunk] {
        return waiting_.empty() || waitingUnits_ + chunk.size() <= maxWaitingUnits_;
    };
    if (!hasRoom()) {
        producerWaits_ = true;
        batchReady_.notify_one();
        roomMade_.wait(lock, hasRoom);
        producerWaits_ = false;
    }
    const bool wasReady = batchReady();
    waitingUnits_ += chunk.size();
    waiting_.push_back(std::move(chunk));
    const bool nowReady = batchReady();
    if (spare_.empty()) {
        chunk = SaxEventChunk();
    } else {
        chunk = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    chunk.clear();
    if (nowReady && !wasReady) {
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
    batchReady_.wait(lock, [this] { return batchReady(); });
    if (waiting_.empty()) {
        return false;
    }
    for (SaxEventChunk& chunk : waiting_) {
        batch.push_back(std::move(chunk));
    }
    waiting_.clear();
    waitingUnits_ = 0;
    const bool producerWaits = producerWaits_;
    lock.unlock();
    if (producerWaits) {
        roomMade_.notify_one();
    }
    return true;
}

void SaxEventQueue::giveBack(SaxEventChunk&& chunk) {
    if (chunk.capacity() > 2 * batchUnits_) {
        const SaxEventChunk released = std::move(chunk);
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(chunk));
}
