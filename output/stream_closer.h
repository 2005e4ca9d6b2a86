#pragma once
// Closes streams on a thread of its own. Closing waits for the stream's
// decoder to finish the step it is in, and for the output to finish a
// buffer it may still be rendering from the stream; a song change must not
// make the frame wait for either.
#include <atomic>
#include <condition_variable>
#include <stop_token>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "output/stream.h"

class StreamCloser {
public:
    // `outputRendering`: how many output threads are rendering right now; a
    // stream is only destroyed once that has been seen at 0 after the stream
    // was handed over.
    explicit StreamCloser(const std::atomic<int>& outputRendering) : outputRendering(outputRendering) {}
    // Closes whatever is still queued, then stops.
    ~StreamCloser() = default;
    StreamCloser(const StreamCloser&) = delete;
    StreamCloser& operator=(const StreamCloser&) = delete;

    // Stops the stream's decoder and closes it soon after; returns at once.
    // The output must no longer be given the stream for new buffers.
    void close(std::unique_ptr<Stream> stream);

private:
    void run(std::stop_token stop);

    const std::atomic<int>& outputRendering;
    std::mutex mutex;
    std::condition_variable_any wake;
    std::vector<std::unique_ptr<Stream>> queue;  // what is left when no thread could start goes with it
    // Last: it finishes the queue and is joined before the queue goes.
    std::jthread thread;  // started with the first stream to close
};
