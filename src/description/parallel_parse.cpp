#include "description/parallel_parse.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <exception>

#include "VkNRtosAbstraction.h"
#include "description/sax_event_queue.h"
#include "description/sax_player.h"
#include "description/sax_recorder.h"
#include "description/shared_work.h"

namespace {

// How much the handler takes at once, in 16-bit units: enough that its thread is woken once per
// batch of several chunks, and small against the document, since the last batch is replayed
// after the parse has ended. The parser may run ahead by two batches; the chunks in use stay
// within the second-level cache.
constexpr size_t kLargestBatch = size_t(64) << 10;
constexpr size_t kSmallestBatch = size_t(4) << 10;
constexpr size_t kBatchesInDocument = 32;
constexpr size_t kChunksInBatch = 4;

size_t batchUnitsFor(uint64_t documentBytes) {
    if (documentBytes == 0) {
        return kLargestBatch;
    }
    return size_t(
        std::clamp<uint64_t>(documentBytes / kBatchesInDocument, kSmallestBatch, kLargestBatch));
}

struct Replay {
    SaxEventQueue& queue;
    xercesc::DefaultHandler& handler;
    std::exception_ptr failure;  // what the handler threw; later chunks are only drained
};

unsigned replayChunks(void* context) {
    Replay& replay = *static_cast<Replay*>(context);
    SaxEventPlayer player(replay.handler);
    std::deque<SaxEventChunk> batch;
    while (replay.queue.take(batch)) {
        for (SaxEventChunk& chunk : batch) {
            if (!replay.failure) {
                try {
                    player.play(chunk);
                } catch (...) {
                    replay.failure = std::current_exception();
                    replay.queue.requestStop();
                }
            }
            replay.queue.giveBack(std::move(chunk));
        }
        batch.clear();
    }
    return 0;
}

}  // namespace

void parseDirectly(xercesc::SAX2XMLReader& reader, const xercesc::InputSource& source,
                   xercesc::DefaultHandler& handler) {
    // The handlers are unset however the parse ends.
    struct HandlersUnset {
        xercesc::SAX2XMLReader& reader;
        ~HandlersUnset() {
            reader.setContentHandler(nullptr);
            reader.setErrorHandler(nullptr);
        }
    };
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    const HandlersUnset unset{reader};
    reader.parse(source);
}

void parseBesideHandler(xercesc::SAX2XMLReader& reader, const xercesc::InputSource& source,
                        uint64_t documentBytes, xercesc::DefaultHandler& handler) {
    const size_t batchUnits = batchUnitsFor(documentBytes);
    SaxEventQueue queue(2 * batchUnits, batchUnits);
    Replay replay{queue, handler, nullptr};
    VkNRtosAbstraction::ThreadHandle thread = nullptr;
    if (!startHelperThread("xml-handler", &replayChunks, &replay, thread)) {
        parseDirectly(reader, source, handler);
        return;
    }
    SaxEventRecorder recorder(queue, batchUnits / kChunksInBatch);
    std::exception_ptr parseFailure;
    try {
        parseDirectly(reader, source, recorder);
    } catch (...) {
        parseFailure = std::current_exception();
    }
    recorder.finish();
    VkNRtosAbstraction::joinThread(thread, nullptr, -1);
    // The handler's exception came from an event before the parser's: it ended the parse.
    if (replay.failure) {
        std::rethrow_exception(replay.failure);
    }
    if (parseFailure) {
        std::rethrow_exception(parseFailure);
    }
}
