#pragma once
// Closes streams on a thread of its own. Closing waits for the stream's
// decoder to finish the step it is in, and a song change must not make the
// frame wait for that.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/stream.h"

class StreamCloser {
public:
    StreamCloser() = default;
    // Closes whatever is still queued, then stops.
    ~StreamCloser();
    StreamCloser(const StreamCloser&) = delete;
    StreamCloser& operator=(const StreamCloser&) = delete;

    // Stops the stream's decoder and closes it soon after; returns at once.
    void close(std::unique_ptr<Stream> stream);

private:
    void run();

    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::unique_ptr<Stream>> queue;
    bool stopping = false;
    std::thread thread;  // started with the first stream to close
};
