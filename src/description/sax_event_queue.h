#pragma once
// The hand-over between the thread that parses a document and the thread that handles its
// events: chunks of recorded events, in order, with a bound on how many wait at once.
#include <xercesc/util/XercesDefs.hpp>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// One chunk: events written one after another as 16-bit units (see sax_replay.h). Its room
// grows without being filled first, since every unit is written right after.
class SaxEventChunk {
  public:
    const XMLCh* data() const { return units_.get(); }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }
    // Room for count more units at the end; valid until the next call.
    XMLCh* grow(size_t count) {
        if (count > capacity_ - size_) {
            makeRoom(count);
        }
        XMLCh* room = units_.get() + size_;
        size_ += count;
        return room;
    }

    // Takes back the last count units of the room given last.
    void dropLast(size_t count) { size_ -= count; }

  private:
    // Room for a chunk's usual events at once, so that a new chunk is not grown step by step.
    static constexpr size_t kFirstCapacity = size_t(4) << 10;

    void makeRoom(size_t count);

    std::unique_ptr<XMLCh[]> units_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// A queue of event chunks from one producer to one consumer, bounded by the units waiting so
// that a parser far ahead of its handler holds little memory: the producer waits while more
// than maxWaitingUnits wait (a chunk larger than that waits alone). The consumer takes the
// waiting chunks together once batchUnits wait, the queue is closed or the producer waits: it
// is woken once per batch, not once per chunk. Chunks are handed back after use, so their
// memory is reused.
class SaxEventQueue {
  public:
    SaxEventQueue(size_t maxWaitingUnits, size_t batchUnits)
        : maxWaitingUnits_(maxWaitingUnits), batchUnits_(batchUnits) {}
    SaxEventQueue(const SaxEventQueue&) = delete;
    SaxEventQueue& operator=(const SaxEventQueue&) = delete;

    // Producer: hands chunk over (waiting for room) and leaves chunk empty, ready for the next
    // events.
    void publish(SaxEventChunk& chunk);
    // Producer: no chunk follows. Every chunk published before is still taken.
    void close();

    // Consumer: moves the waiting chunks, in order, to the end of batch (which should be
    // empty), waiting for a batch; false once the queue is closed and empty.
    bool take(std::deque<SaxEventChunk>& batch);
    // Consumer: gives a used chunk back for its memory; one grown far beyond the batch size
    // (by a huge event) is released instead.
    void giveBack(SaxEventChunk&& chunk);

    // The consumer asks the producer to stop parsing; the producer looks at each event.
    void requestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }

  private:
    bool batchReady() const;

    const size_t maxWaitingUnits_;
    const size_t batchUnits_;
    std::mutex mutex_;
    std::condition_variable roomMade_;    // the producer waits on it for room
    std::condition_variable batchReady_;  // the consumer waits on it for a batch
    std::deque<SaxEventChunk> waiting_;
    size_t waitingUnits_ = 0;
    bool producerWaits_ = false;
    std::vector<SaxEventChunk> spare_;
    bool closed_ = false;
    std::atomic<bool> stopRequested_{false};
};
