#pragma once
// What the desktop plays, as it is heard: a capture of a sound server's
// source, by default the monitor of the default output. A monitor hands
// over each sample when the server renders it for the output, ahead of the
// speaker by the output's latency, and the server reports it as a negative
// latency. Every captured frame is dated by when it is heard, so the picture
// follows the speaker: a wired output or a Bluetooth headset alike.
// Listening to the default output follows the default when the user picks
// another; a server or a named source that goes away is looked for again,
// as the sound output does. The user may step through what can be listened
// to: each output's monitor, then the inputs such as microphones.
#include <pulse/pulseaudio.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/loudness.h"
#include "analysis/mono_history.h"
#include "analysis/output_clock.h"
#include "base/mailbox.h"

class Listener {
public:
    static constexpr int kRate = 44100;  // the server converts whatever the source has

    // Starts listening to `source` ("" for the default output's monitor)
    // and returns at once; nullptr when no mainloop thread could start.
    static std::unique_ptr<Listener> open(const std::string& source);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Main thread: the spectrum of what is heard at `nowNs`, through the
    // same window and lead as a song's; silence before anything was captured.
    Loudness heard(std::int64_t nowNs);

    // Frames captured so far.
    std::int64_t framesCaptured() const { return history.frames(); }

    // Main thread: what is listened to, as the server describes it (such as
    // "Monitor of Built-in Audio"); "" until a server has answered.
    const std::string& description() { return descriptions.latest(); }

    // Main thread: listens to the next (+1) or previous (-1) source the
    // server has, monitors first, then inputs; none beyond either end.
    // Listening stays there, as if it had been named.
    void step(int direction);

private:
    struct Source {
        std::string name;
        bool monitor = false;
    };

    explicit Listener(std::string source) : namedSource(std::move(source)) {}
    bool start();
    bool audibleWindow(std::int64_t nowNs, float* out) const;

    void connect();
    void openStream(const char* from);
    void findDefaultMonitor();
    void listSources();
    void sourcesListed();
    void tellMissing();
    void stepNow(int steps);
    void describe(const char* sourceName);
    void contextLost();
    void streamLost();
    void retrySoon();
    void dropStream();
    void dropContext();
    static void contextChanged(pa_context* context, void* self);
    static void streamChanged(pa_stream* stream, void* self);
    static void readable(pa_stream* stream, std::size_t bytes, void* self);
    static void sourceIs(pa_context* context, const pa_source_info* info, int last, void* self);
    static void sourceListed(pa_context* context, const pa_source_info* info, int last, void* self);
    static void moved(pa_stream* stream, void* self);
    static void stepAsked(pa_mainloop_api* api, pa_io_event* event, int descriptor, pa_io_event_flags_t flags,
                          void* self);
    static void serverEvent(pa_context* context, pa_subscription_event_type_t type, std::uint32_t index, void* self);
    static void serverIs(pa_context* context, const pa_server_info* info, void* self);
    static void sinkIs(pa_context* context, const pa_sink_info* info, int last, void* self);
    static void retryNow(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);

    // The mainloop thread's, once started.
    std::string namedSource;     // named or stepped to; "" follows the default output
    std::string listenedSource;  // what the stream was opened on
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* retry = nullptr;
    std::string defaultSink;  // whose monitor is listened to, when no source was named; "" before it is known
    bool answered = false;    // a server has answered since the start
    bool toldNoServer = false;
    bool toldMissing = false;  // the named source's absence, since it was last listed
    std::vector<Source> sources;  // in stepping order, as last listed
    std::vector<Source> listing;  // being listed

    // Steps asked by the main thread, and the descriptor that wakes the
    // mainloop for them, so the main thread never takes its lock.
    std::atomic<int> stepsAsked{0};
    int stepWaker = -1;
    pa_io_event* stepWatch = nullptr;

    MonoHistory history{1 << 17};  // what was captured: ~3 s
    OutputClock heardClock;  // when each captured frame is heard
    // Captures that hold only what was heard before now.
    std::atomic<bool> listeningToInput{false};  // a microphone, not a monitor
    std::atomic<bool> captureLate{false};       // a monitor the server reports far behind

    Mailbox<std::string> descriptions;  // written by the mainloop, read by the main thread

    LoudnessMeter meter;  // the main thread's
};
