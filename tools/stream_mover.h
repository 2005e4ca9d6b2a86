#pragma once
// Moves this process's playback streams between two sinks the moment each
// appears, as a user clicking in a mixer would, on a sound server of the
// session: the stress of an output destroyed while its stream is moved.
#include <atomic>
#include <string>

struct pa_context;
struct pa_threaded_mainloop;

class StreamMover {
public:
    // Starts watching; moves go to `first`, `second`, `first`, ...
    StreamMover(std::string first, std::string second);
    ~StreamMover();
    StreamMover(const StreamMover&) = delete;
    StreamMover& operator=(const StreamMover&) = delete;

    bool watching() const { return ready.load(); }
    // Moves asked of the server so far.
    int moves() const { return moveCount.load(); }

private:
    static void contextChanged(pa_context* context, void* self);
    static void streamEvent(pa_context* context, int type, unsigned index, void* self);

    const std::string sinks[2];
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    std::atomic<bool> ready{false};
    std::atomic<int> moveCount{0};
};
