#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>

#include "analysis/output_clock.h"
#include "base/messages.h"
#include "output/audio_output.h"
#include "output/pulse_helpers.h"
#include "output/quiet_standard_error.h"

// Mainloop thread: every callback here runs on libpulse's mainloop thread
// with its lock held; the owner's calls take the lock. Nothing of ours is
// left registered with libpulse once the destructor has run: no callback or
// timer can reach a freed object.
namespace {
// What the server holds ahead of the speaker: enough that a busy machine does
// not starve it, little enough that a new song is heard at once. The server
// asks for more in steps of about 12 ms (larger steps measured a wider spread
// of the picture against the sink: -2 to +11 ms instead of 0 to +5).
constexpr std::uint32_t kTargetFrames = 2048;
constexpr std::uint32_t kRequestFrames = 512;
// How long start-up waits for a server that is slow to answer.
constexpr pa_usec_t kConnectTimeoutUs = 2'000'000;
// How often a server that went away is looked for, and one that has not
// been seen yet (a desktop whose sound starts late, or none at all).
constexpr pa_usec_t kRetryUs = 250'000;
constexpr pa_usec_t kFirstLookUs = 1'000'000;
// A stream moved to another sink is opened afresh there once the moves have
// stopped for this long (a user clicking through sinks in a mixer).
constexpr pa_usec_t kMoveSettleUs = 100'000;


class SoundServer : public AudioOutput {
public:
    SoundServer(RenderFunction render, void* user) : render(render), user(user) {
        deviceFormat = {kOutputRate, kOutputChannels};
    }

    ~SoundServer() override {
        if (mainloop == nullptr) return;
        pa_threaded_mainloop_lock(mainloop);
        cancel(retry);
        cancel(reopen);
        dropStream(stream);
        dropContext();
        fallback.reset();
        pa_threaded_mainloop_unlock(mainloop);
        pa_threaded_mainloop_stop(mainloop);
        pa_threaded_mainloop_free(mainloop);
    }

    // Connects, or plays through `opener`'s output until a server answers;
    // false only when there is no mainloop thread.
    bool open(FallbackOpener opener) {
        mainloop = pa_threaded_mainloop_new();
        if (mainloop == nullptr || pa_threaded_mainloop_start(mainloop) < 0) return false;
        pa_threaded_mainloop_lock(mainloop);
        {
            QuietStandardError quiet;
            connect();
            waitForFirstAnswer();
        }
        if (!playing() && opener != nullptr) fallback = opener(render, user);
        if (!playing() && !fallback) fallback = openSilentOutput(render, user, deviceFormat);
        // Streams are made for the format the first output took.
        if (fallback) deviceFormat = fallback->format();
        pa_threaded_mainloop_unlock(mainloop);
        return true;
    }

    std::optional<double> deviceVolume() const override {
        const double now = volumeNow.load();
        return now < 0 ? std::nullopt : std::optional<double>(now);
    }

    const char* name() const override { return "sound server"; }
    bool silent() const override {
        pa_threaded_mainloop_lock(mainloop);
        const bool quiet = !playing() && fallback && fallback->silent();
        pa_threaded_mainloop_unlock(mainloop);
        return quiet;
    }

    void resume() override { setRunning(true); }

    // Corked, the server keeps what it was given and plays it first on the
    // resume: no sample is lost or played twice.
    void pause() override { setRunning(false); }

    bool setVolume(double level) override {
        pa_threaded_mainloop_lock(mainloop);
        pa_cvolume_set(&volume, deviceFormat.channels,
                       static_cast<pa_volume_t>(std::clamp(level, 0.0, 1.0) * PA_VOLUME_NORM + 0.5));
        volumeAsked = true;
        volumeNow.store(std::clamp(level, 0.0, 1.0));
        if (playing()) {
            if (pa_operation* setting = pa_context_set_sink_input_volume(context, pa_stream_get_index(stream), &volume,
                                                                         nullptr, nullptr)) {
                pa_operation_unref(setting);
            }
        }
        if (fallback) fallback->setVolume(level);
        pa_threaded_mainloop_unlock(mainloop);
        return true;
    }

private:
    void setRunning(bool run) {
        pa_threaded_mainloop_lock(mainloop);
        running = run;
        if (stream != nullptr) {
            if (pa_operation* cork = pa_stream_cork(stream, run ? 0 : 1, nullptr, nullptr)) pa_operation_unref(cork);
        }
        if (fallback) run ? fallback->resume() : fallback->pause();
        pa_threaded_mainloop_unlock(mainloop);
    }

    bool playing() const { return stream != nullptr && pa_stream_get_state(stream) == PA_STREAM_READY; }

    void connect() {
        context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "viz");
        if (context == nullptr) return contextLost();
        pa_context_set_state_callback(context, &SoundServer::contextChanged, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) contextLost();
    }

    // Start-up waits for the stream to play, the server to fail, or the time
    // to run out; a server still connecting then is used once it answers.
    void waitForFirstAnswer() {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop);
        timeval when = pulseTimeFromNow(kConnectTimeoutUs);
        pa_time_event* deadline = api->time_new(api, &when, &SoundServer::firstAnswerTimedOut, this);
        while (!playing() && !firstAttemptOver) pa_threaded_mainloop_wait(mainloop);
        api->time_free(deadline);
    }

    static void firstAnswerTimedOut(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        server->firstAttemptOver = true;
        pa_threaded_mainloop_signal(server->mainloop, 0);
    }

    static void contextChanged(pa_context* context, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            server->openStream(nullptr);
            pa_context_set_subscribe_callback(context, &SoundServer::serverEvent, server);
            // Which server it is, its default sink, and the volume a mixer gives viz's stream.
            const auto watched = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER |
                                                                     PA_SUBSCRIPTION_MASK_SINK_INPUT);
            if (pa_operation* watching = pa_context_subscribe(context, watched, nullptr, nullptr)) {
                pa_operation_unref(watching);
            }
            askServerInfo(context, server);
        }
        if (!PA_CONTEXT_IS_GOOD(state)) server->contextLost();
        pa_threaded_mainloop_signal(server->mainloop, 0);
    }

    static void askServerInfo(pa_context* context, SoundServer* server) {
        if (pa_operation* asking = pa_context_get_server_info(context, &SoundServer::serverIs, server)) {
            pa_operation_unref(asking);
        }
    }

    static void serverEvent(pa_context* context, pa_subscription_event_type_t event, std::uint32_t index, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto kind = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER) askServerInfo(context, server);
        if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT && kind == PA_SUBSCRIPTION_EVENT_CHANGE && server->playing() &&
            index == pa_stream_get_index(server->stream)) {
            if (pa_operation* asking = pa_context_get_sink_input_info(context, index, &SoundServer::streamIs, server)) {
                pa_operation_unref(asking);
            }
        }
    }

    // viz's own stream as the server has it: its volume, perhaps set in a
    // mixer, is kept for a stream made afresh too.
    static void streamIs(pa_context*, const pa_sink_input_info* info, int, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        if (info == nullptr || !pa_cvolume_valid(&info->volume)) return;
        server->volume = info->volume;
        server->volumeAsked = true;
        server->volumeNow.store(static_cast<double>(pa_cvolume_avg(&info->volume)) / PA_VOLUME_NORM);
    }

    static void serverIs(pa_context*, const pa_server_info* info, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        if (info == nullptr) return;
        if (info->server_name != nullptr) server->onPipeWire = std::strstr(info->server_name, "PipeWire") != nullptr;
        server->defaultSink = info->default_sink_name != nullptr ? info->default_sink_name : "";
    }

    // A stream to `sink` (nullptr: the default one), paused until the
    // output runs.
    void openStream(const char* sink) {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(deviceFormat.rate),
                                  static_cast<std::uint8_t>(deviceFormat.channels)};
        stream = pa_stream_new(context, "music", &spec, nullptr);
        if (stream == nullptr) return streamLost();
        followsDefault = sink == nullptr;
        sinkAtStart.clear();
        pa_stream_set_state_callback(stream, &SoundServer::streamChanged, this);
        pa_stream_set_write_callback(stream, &SoundServer::writable, this);
        pa_stream_set_moved_callback(stream, &SoundServer::moved, this);
        const std::size_t frameBytes = sizeof(float) * deviceFormat.channels;
        pa_buffer_attr buffer{};
        buffer.maxlength = static_cast<std::uint32_t>(-1);
        buffer.tlength = static_cast<std::uint32_t>(kTargetFrames * frameBytes);
        buffer.prebuf = static_cast<std::uint32_t>(-1);
        buffer.minreq = static_cast<std::uint32_t>(kRequestFrames * frameBytes);
        buffer.fragsize = static_cast<std::uint32_t>(-1);
        // Timing updates keep the latency current when the sink changes its
        // own (a headset that changes codec).
        auto flags = PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE;
        if (!running) flags = flags | PA_STREAM_START_CORKED;
        // A new stream keeps the volume asked of the one before; otherwise
        // the server picks one (as it remembers it for viz).
        if (pa_stream_connect_playback(stream, sink, &buffer, static_cast<pa_stream_flags_t>(flags),
                                       volumeAsked ? &volume : nullptr, nullptr) < 0) {
            streamLost();
        }
    }

    static void streamChanged(pa_stream* changed, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        const pa_stream_state_t state = pa_stream_get_state(changed);
        if (state == PA_STREAM_READY) server->serverPlays();
        if (!PA_STREAM_IS_GOOD(state)) server->streamLost();
        pa_threaded_mainloop_signal(server->mainloop, 0);
    }

    // The stream takes over from whatever played meanwhile: that output
    // stops first (its thread joined), so only one thread ever renders.
    void serverPlays() {
        if (const char* sink = pa_stream_get_device_name(stream)) sinkAtStart = sink;
        if (lost) diagnose("the sound server is back");
        if (!wasPlaying && fallback) diagnose("a sound server has come; the music plays through it");
        fallback.reset();
        lost = false;
        wasPlaying = true;
    }

    // No server, or a server that went away: the music plays on silently in
    // real time, as with a sound card that is unplugged, and the server is
    // looked for again.
    void contextLost() {
        firstAttemptOver = true;
        dropStream(stream);
        dropContext();
        if (wasPlaying && !lost) {
            diagnose("the sound server went away; the music plays on silently until it is back");
            lost = true;
        }
        playSilentlyMeanwhile();
        schedule(retry, wasPlaying ? kRetryUs : kFirstLookUs, &SoundServer::retryNow);
    }

    // A stream the server dropped, or one that could not be opened on the
    // sink it was moved to (a headset gone at once): a new one goes to the
    // default sink.
    void streamLost() {
        firstAttemptOver = true;
        dropStream(stream);
        playSilentlyMeanwhile();
        schedule(retry, kRetryUs, &SoundServer::retryNow);
    }

    void playSilentlyMeanwhile() {
        if (!wasPlaying || fallback) return;
        fallback = openSilentOutput(render, user, deviceFormat);
        if (running) fallback->resume();
    }

    static void retryNow(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        server->cancel(server->retry);
        if (server->context == nullptr) {
            server->connect();
        } else if (server->stream == nullptr && pa_context_get_state(server->context) == PA_CONTEXT_READY) {
            server->openStream(nullptr);
        }
    }

    // `event` fires `microseconds` from now, once, whether it was pending or not.
    void schedule(pa_time_event*& event, pa_usec_t microseconds, pa_time_event_cb_t fire) {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop);
        const timeval when = pulseTimeFromNow(microseconds);
        if (event != nullptr) {
            api->time_restart(event, &when);
        } else {
            event = api->time_new(api, &when, fire, this);
        }
    }

    void cancel(pa_time_event*& event) {
        if (event == nullptr) return;
        pa_threaded_mainloop_get_api(mainloop)->time_free(event);
        event = nullptr;
    }

    static void dropStream(pa_stream*& old) { letGoOf(old); }
    void dropContext() { letGoOf(context); }

    // A stream that the user (or the server) moved to another sink keeps
    // playing, but the server's latency for it stays wrong, even with its
    // timing refreshed (measured behind pipe sinks of 46 and 371 ms: +17 to
    // +48 ms on PulseAudio 16, +14 ms on PipeWire 0.3.65, and +20 to +40 ms
    // on PipeWire for a stream taken to a new default sink after a restart).
    // A fresh stream on the new sink is right; the music skips what was
    // queued, a few tens of milliseconds. Moves in quick succession make
    // one new stream, once they have settled.
    static void moved(pa_stream*, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        server->schedule(server->reopen, kMoveSettleUs, &SoundServer::reopenOnNewSink);
    }

    static void reopenOnNewSink(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        server->cancel(server->reopen);
        if (!server->playing()) return;
        const char* name = pa_stream_get_device_name(server->stream);
        if (name == nullptr || name == server->sinkAtStart) return;
        const std::string sink = name;
        const bool toTheDefault = sink == server->defaultSink;
        // PipeWire's session manager links new streams itself and may put a
        // fresh one elsewhere than the user chose: there the user's moves
        // play on, a little off, and only a stream taken along to a new
        // default sink is made afresh, following the default.
        if (server->onPipeWire && (!toTheDefault || !server->followsDefault)) {
            server->followsDefault = server->followsDefault && toTheDefault;
            return;
        }
        pa_stream* leaving = server->stream;
        server->openStream(toTheDefault ? nullptr : sink.c_str());
        dropStream(leaving);
    }

    // When the next frame written to `to` will be heard: everything queued
    // before it plays first, then the sink's own delay.
    std::int64_t nextFramePlaysAt(pa_stream* to) const {
        pa_usec_t latency = 0;
        int negative = 0;
        if (pa_stream_get_latency(to, &latency, &negative) != 0 || negative) {
            latency = static_cast<pa_usec_t>(kTargetFrames) * 1'000'000 / deviceFormat.rate;  // no report yet
        }
        return monotonicNanoseconds() + static_cast<std::int64_t>(latency) * 1000;
    }

    static void writable(pa_stream* stream, std::size_t bytes, void* self) {
        auto* server = static_cast<SoundServer*>(self);
        const std::size_t frameBytes = sizeof(float) * server->deviceFormat.channels;
        while (bytes >= frameBytes) {
            void* data = nullptr;
            std::size_t size = bytes - bytes % frameBytes;
            if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr) return;
            size -= size % frameBytes;
            if (size == 0) {
                pa_stream_cancel_write(stream);
                return;
            }
            server->render(server->user, static_cast<float*>(data), static_cast<int>(size / frameBytes),
                           server->nextFramePlaysAt(stream));
            pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE);
            bytes -= size;
        }
    }

    RenderFunction render;
    void* user;
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* retry = nullptr;   // looking for the server or a stream again
    pa_time_event* reopen = nullptr;  // a moved stream, to be made afresh
    bool firstAttemptOver = false;  // start-up's wait is over
    bool wasPlaying = false;        // a stream of ours has played on a server
    bool lost = false;              // ... and the server went away since
    bool running = false;           // resumed
    bool onPipeWire = false;  // the server is PipeWire's PulseAudio service
    std::string defaultSink;  // the server's, as last told
    std::string sinkAtStart;  // where the stream first played
    bool followsDefault = true;  // the stream goes wherever the default sink goes
    pa_cvolume volume{};         // the last asked for, if any
    bool volumeAsked = false;
    std::atomic<double> volumeNow{-1};  // as asked or as a mixer set it; -1: never set
    std::unique_ptr<AudioOutput> fallback;  // plays while no server does
};
}  // namespace

std::unique_ptr<AudioOutput> openSoundServer(RenderFunction render, void* user, FallbackOpener fallback) {
    auto server = std::make_unique<SoundServer>(render, user);
    if (!server->open(fallback)) return nullptr;
    return server;
}
