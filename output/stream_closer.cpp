#include "output/stream_closer.h"

#include <chrono>
#include <system_error>

void StreamCloser::close(std::unique_ptr<Stream> stream) {
    if (!stream) return;
    stream->requestStop();
    {
        std::lock_guard<std::mutex> guard(mutex);
        queue.push_back(std::move(stream));
    }
    if (!thread.joinable()) {
        try {
            thread = std::jthread([this](std::stop_token stop) { run(stop); });
        } catch (const std::system_error&) {
            // No thread to spare: the streams are closed at exit instead.
        }
    }
    wake.notify_one();
}

void StreamCloser::run(std::stop_token stop) {
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
        wake.wait(guard, stop, [this] { return !queue.empty(); });
        if (queue.empty()) return;  // stopping, and nothing left
        std::vector<std::unique_ptr<Stream>> closing;
        closing.swap(queue);
        guard.unlock();
        // A buffer begun before the stream was handed over may still read it.
        while (outputRendering.load() != 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        closing.clear();  // joins each decoder
        guard.lock();
    }
}
