#include <pulse/pulseaudio.h>

#include <string>

#include "audio/audio_output.h"
#include "audio/output_clock.h"
#include "audio/quiet_standard_error.h"

namespace {
constexpr std::size_t kFrameBytes = kOutputChannels * sizeof(float);
// What the server holds ahead of the speaker: enough that a busy machine does
// not starve it, little enough that a new song is heard at once. The server
// asks for more in steps of about 12 ms (larger steps measured a wider spread
// of the picture against the sink: -2 to +11 ms instead of 0 to +5).
constexpr std::uint32_t kTargetFrames = 2048;
constexpr std::uint32_t kRequestFrames = 512;
// A server that does not answer within this is taken for none.
constexpr pa_usec_t kConnectTimeoutUs = 2'000'000;

class SoundServer : public AudioOutput {
public:
    SoundServer(RenderFunction render, void* user) : render(render), user(user) {
        deviceFormat = {kOutputRate, kOutputChannels};
    }

    ~SoundServer() override {
        if (mainloop == nullptr) return;
        pa_threaded_mainloop_lock(mainloop);
        if (stream != nullptr) dropStream(stream);
        if (context != nullptr) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        pa_threaded_mainloop_unlock(mainloop);
        pa_threaded_mainloop_stop(mainloop);
        pa_threaded_mainloop_free(mainloop);
        // The fallback, if any, stops with its own destructor.
    }

    bool open() {
        QuietStandardError quiet;
        mainloop = pa_threaded_mainloop_new();
        if (mainloop == nullptr || pa_threaded_mainloop_start(mainloop) < 0) return false;
        pa_threaded_mainloop_lock(mainloop);
        const bool ready = connectContext() && connectStream();
        pa_threaded_mainloop_unlock(mainloop);
        return ready;
    }

    const char* name() const override { return "sound server"; }
    void resume() override {
        pa_threaded_mainloop_lock(mainloop);
        if (pa_operation* uncork = pa_stream_cork(stream, 0, nullptr, nullptr)) pa_operation_unref(uncork);
        running = true;
        if (fallback) fallback->resume();
        pa_threaded_mainloop_unlock(mainloop);
    }

private:
    // The mainloop's lock is held from here on.
    bool connectContext() {
        context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "viz");
        if (context == nullptr) return false;
        pa_context_set_state_callback(context, &SoundServer::changed, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
        pa_time_event* deadline =
            pa_context_rttime_new(context, pa_rtclock_now() + kConnectTimeoutUs, &SoundServer::timedOut, this);
        pa_context_state_t state;
        while ((state = pa_context_get_state(context)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state) &&
               !gaveUp) {
            pa_threaded_mainloop_wait(mainloop);
        }
        if (deadline != nullptr) pa_threaded_mainloop_get_api(mainloop)->time_free(deadline);
        return state == PA_CONTEXT_READY;
    }

    bool connectStream() {
        stream = newStream(nullptr);
        if (stream == nullptr) return false;
        pa_stream_state_t state;
        while ((state = pa_stream_get_state(stream)) != PA_STREAM_READY && PA_STREAM_IS_GOOD(state)) {
            pa_threaded_mainloop_wait(mainloop);
        }
        return state == PA_STREAM_READY;
    }

    // A stream to `sink` (nullptr: the default), connecting; paused until the
    // output runs.
    pa_stream* newStream(const char* sink) {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kOutputRate, kOutputChannels};
        pa_stream* created = pa_stream_new(context, "music", &spec, nullptr);
        if (created == nullptr) return nullptr;
        pa_stream_set_state_callback(created, &SoundServer::changed, this);
        pa_stream_set_write_callback(created, &SoundServer::writable, this);
        pa_stream_set_moved_callback(created, &SoundServer::moved, this);
        pa_buffer_attr buffer{};
        buffer.maxlength = static_cast<std::uint32_t>(-1);
        buffer.tlength = kTargetFrames * kFrameBytes;
        buffer.prebuf = static_cast<std::uint32_t>(-1);
        buffer.minreq = kRequestFrames * kFrameBytes;
        buffer.fragsize = static_cast<std::uint32_t>(-1);
        // Timing updates keep the latency current when the sink changes its
        // own (a headset that changes codec).
        auto flags = PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE;
        if (!running) flags = flags | PA_STREAM_START_CORKED;
        if (pa_stream_connect_playback(created, sink, &buffer, static_cast<pa_stream_flags_t>(flags), nullptr,
                                       nullptr) < 0) {
            pa_stream_unref(created);
            return nullptr;
        }
        return created;
    }

    void dropStream(pa_stream* old) {
        pa_stream_set_write_callback(old, nullptr, nullptr);
        pa_stream_set_state_callback(old, nullptr, nullptr);
        pa_stream_set_moved_callback(old, nullptr, nullptr);
        pa_stream_disconnect(old);
        pa_stream_unref(old);
    }

    // A stream that the user (or the server) moved to another sink keeps
    // playing, but PulseAudio's latency for it stays wrong by tens of
    // milliseconds (measured: +30 ms after a move to a 370 ms sink, where a
    // stream opened there is right). A fresh stream on the new sink is right;
    // the music skips what was queued, a few tens of milliseconds.
    static void moved(pa_stream*, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        // Not from inside the old stream's own callback.
        pa_context_rttime_new(server->context, pa_rtclock_now(), &SoundServer::reopenOnNewSink, server);
    }

    static void reopenOnNewSink(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self) {
        api->time_free(event);
        auto* server = static_cast<SoundServer*>(self);
        const char* name = pa_stream_get_device_name(server->stream);
        if (name == nullptr) return;
        const std::string sink = name;
        pa_stream* fresh = server->newStream(sink.c_str());
        if (fresh == nullptr) return;  // the moved stream plays on
        server->dropStream(server->stream);
        server->stream = fresh;
    }

    // When the next frame written to `to` will be heard: everything queued
    // before it plays first, then the sink's own delay.
    static std::int64_t nextFramePlaysAt(pa_stream* to) {
        pa_usec_t latency = 0;
        int negative = 0;
        if (pa_stream_get_latency(to, &latency, &negative) != 0 || negative) {
            latency = static_cast<pa_usec_t>(kTargetFrames) * 1'000'000 / kOutputRate;  // no report yet
        }
        return monotonicNanoseconds() + static_cast<std::int64_t>(latency) * 1000;
    }

    static void writable(pa_stream* stream, std::size_t bytes, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        while (bytes >= kFrameBytes) {
            void* data = nullptr;
            std::size_t size = bytes - bytes % kFrameBytes;
            if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr) return;
            size -= size % kFrameBytes;
            if (size == 0) {
                pa_stream_cancel_write(stream);
                return;
            }
            server->render(server->user, static_cast<float*>(data), static_cast<int>(size / kFrameBytes),
                           nextFramePlaysAt(stream));
            pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE);
            bytes -= size;
        }
    }

    static void changed(pa_context*, void* self) { static_cast<SoundServer*>(self)->stateChanged(); }
    static void changed(pa_stream*, void* self) { static_cast<SoundServer*>(self)->stateChanged(); }

    // A server that goes away mid-song leaves the music to play on silently
    // in real time, as a sound card that is unplugged does.
    void stateChanged() {
        const bool lost = (context != nullptr && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) ||
                          (stream != nullptr && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream)));
        if (lost && !fallback && connected) {
            fallback = openSilentOutput(render, user);
            if (running) fallback->resume();
        }
        if (stream != nullptr && pa_stream_get_state(stream) == PA_STREAM_READY) connected = true;
        pa_threaded_mainloop_signal(mainloop, 0);
    }

    static void timedOut(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        server->gaveUp = true;
        pa_threaded_mainloop_signal(server->mainloop, 0);
    }

    RenderFunction render;
    void* user;
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    bool gaveUp = false;     // the server did not answer in time
    bool connected = false;  // the stream has been ready
    bool running = false;    // resumed
    std::unique_ptr<AudioOutput> fallback;  // after the server was lost
};
}  // namespace

std::unique_ptr<AudioOutput> openSoundServer(RenderFunction render, void* user) {
    auto server = std::make_unique<SoundServer>(render, user);
    if (!server->open()) return nullptr;
    return server;
}
