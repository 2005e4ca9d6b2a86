#include "audio/listener.h"

#include <algorithm>

#include "audio/loudness.h"
#include "audio/pulse_helpers.h"
#include "base/messages.h"

namespace {
// The server hands over captured sound in steps of about this many frames.
constexpr std::uint32_t kFragmentFrames = 512;
// How often a server or source that went away is looked for again.
constexpr pa_usec_t kRetryUs = 500'000;

}  // namespace

std::unique_ptr<Listener> Listener::open(const std::string& source) {
    std::unique_ptr<Listener> listener(new Listener(source));
    if (!listener->start()) return nullptr;
    return listener;
}

bool Listener::start() {
    heardClock.configure(kRate);
    mainloop = pa_threaded_mainloop_new();
    if (mainloop == nullptr || pa_threaded_mainloop_start(mainloop) < 0) return false;
    pa_threaded_mainloop_lock(mainloop);
    connect();
    pa_threaded_mainloop_unlock(mainloop);
    return true;
}

// Nothing of ours stays registered with libpulse once this has run.
Listener::~Listener() {
    if (mainloop == nullptr) return;
    pa_threaded_mainloop_lock(mainloop);
    if (retry != nullptr) pa_threaded_mainloop_get_api(mainloop)->time_free(retry);
    retry = nullptr;
    dropStream();
    dropContext();
    pa_threaded_mainloop_unlock(mainloop);
    pa_threaded_mainloop_stop(mainloop);
    pa_threaded_mainloop_free(mainloop);
}

// Mainloop thread from here on, or the owner with the lock held.
void Listener::connect() {
    context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "viz");
    if (context == nullptr) return contextLost();
    pa_context_set_state_callback(context, &Listener::contextChanged, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) contextLost();
}

void Listener::contextChanged(pa_context* changed, void* self) {
    auto* listener = static_cast<Listener*>(self);
    const pa_context_state_t state = pa_context_get_state(changed);
    if (state == PA_CONTEXT_READY) {
        listener->answered = true;
        if (!listener->source.empty()) {
            listener->openStream(listener->source);
        } else {
            // Which output is the default, now and whenever the user picks another.
            pa_context_set_subscribe_callback(changed, &Listener::serverEvent, listener);
            if (pa_operation* watching = pa_context_subscribe(changed, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr)) {
                pa_operation_unref(watching);
            }
            listener->findDefaultMonitor();
        }
    }
    if (!PA_CONTEXT_IS_GOOD(state)) listener->contextLost();
}

void Listener::serverEvent(pa_context*, pa_subscription_event_type_t, std::uint32_t, void* self) {
    static_cast<Listener*>(self)->findDefaultMonitor();
}

// Asks which output is the default; its monitor is asked for by name, as
// servers differ on what "the default monitor" means (PipeWire's is the
// default source).
void Listener::findDefaultMonitor() {
    if (pa_operation* asking = pa_context_get_server_info(context, &Listener::serverIs, this)) {
        pa_operation_unref(asking);
    }
}

void Listener::serverIs(pa_context* context, const pa_server_info* info, void* self) {
    auto* listener = static_cast<Listener*>(self);
    if (info == nullptr || info->default_sink_name == nullptr) return;
    if (listener->stream != nullptr && listener->defaultSink == info->default_sink_name) return;
    listener->defaultSink = info->default_sink_name;
    if (pa_operation* asking = pa_context_get_sink_info_by_name(context, info->default_sink_name,
                                                                &Listener::sinkIs, listener)) {
        pa_operation_unref(asking);
    }
}

// The default output, first or newly picked: its monitor is listened to.
void Listener::sinkIs(pa_context*, const pa_sink_info* info, int last, void* self) {
    auto* listener = static_cast<Listener*>(self);
    if (last != 0 || info == nullptr || info->monitor_source_name == nullptr) return;
    if (info->name == nullptr || listener->defaultSink != info->name) return;  // changed again meanwhile
    listener->dropStream();
    listener->openStream(info->monitor_source_name);
}

void Listener::openStream(const std::string& from) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 1};
    stream = pa_stream_new(context, "listening", &spec, nullptr);
    if (stream == nullptr) return streamLost();
    pa_stream_set_state_callback(stream, &Listener::streamChanged, this);
    pa_stream_set_read_callback(stream, &Listener::readable, this);
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.fragsize = kFragmentFrames * sizeof(float);
    buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                      PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_record(stream, from.c_str(), &buffer, flags) < 0) streamLost();
}

void Listener::streamChanged(pa_stream* changed, void* self) {
    auto* listener = static_cast<Listener*>(self);
    const pa_stream_state_t state = pa_stream_get_state(changed);
    if (state == PA_STREAM_READY) {
        const char* name = pa_stream_get_device_name(changed);
        pa_operation* asking = name != nullptr ? pa_context_get_source_info_by_name(
                                                     listener->context, name, &Listener::sourceIs, listener)
                                               : nullptr;
        if (asking != nullptr) pa_operation_unref(asking);
    }
    if (!PA_STREAM_IS_GOOD(state)) listener->streamLost();
}

void Listener::sourceIs(pa_context*, const pa_source_info* info, int last, void* self) {
    if (last != 0 || info == nullptr) return;
    auto* listener = static_cast<Listener*>(self);
    const std::lock_guard<std::mutex> guard(listener->describing);
    listener->sourceDescription = info->description != nullptr ? info->description : info->name;
}

std::string Listener::description() const {
    const std::lock_guard<std::mutex> guard(describing);
    return sourceDescription;
}

// The server went away, or the source did (or never was): looked for again
// shortly. Until then nothing is captured, and the pictures show silence.
void Listener::contextLost() {
    dropStream();
    dropContext();
    defaultSink.clear();
    if (!answered && !toldNoServer) {
        diagnose("no sound server to listen to; listening starts when one answers");
        toldNoServer = true;
    }
    retrySoon();
}

// The context stays: a stream is only let go inside its own callback.
void Listener::streamLost() {
    dropStream();
    retrySoon();
}

void Listener::retrySoon() {
    if (retry != nullptr) return;
    const timeval when = pulseTimeFromNow(kRetryUs);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop);
    retry = api->time_new(api, &when, &Listener::retryNow, this);
}

void Listener::retryNow(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self) {
    auto* listener = static_cast<Listener*>(self);
    api->time_free(event);
    listener->retry = nullptr;
    if (listener->context == nullptr) {
        listener->connect();
    } else if (listener->stream == nullptr && pa_context_get_state(listener->context) == PA_CONTEXT_READY) {
        if (listener->source.empty()) {
            listener->defaultSink.clear();
            listener->findDefaultMonitor();
        } else {
            listener->openStream(listener->source);
        }
    }
}

void Listener::dropStream() { letGoOf(stream); }

void Listener::dropContext() { letGoOf(context); }

// The latency the server reports for a capture is how long ago its next
// frame to be read was recorded; for a monitor it is negative: how long
// until that frame reaches the speaker. Either way, that frame is heard at
// now minus the latency.
void Listener::readable(pa_stream* from, std::size_t, void* self) {
    auto* listener = static_cast<Listener*>(self);
    while (pa_stream_readable_size(from) > 0) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(from, &data, &bytes) < 0 || bytes == 0) return;
        pa_usec_t latency = 0;
        int negative = 0;
        const bool timed = pa_stream_get_latency(from, &latency, &negative) == 0;
        const std::int64_t signedNs = static_cast<std::int64_t>(latency) * 1000 * (negative ? -1 : 1);
        const std::size_t frames = bytes / sizeof(float);
        // A hole in the capture (data == nullptr) is silence we were not given.
        if (timed && data != nullptr) {
            listener->keep(static_cast<const float*>(data), frames, monotonicNanoseconds() - signedNs);
        }
        pa_stream_drop(from);
    }
}

void Listener::keep(const float* samples, std::size_t frames, std::int64_t heardAtNs) {
    history.append(samples, frames, 1);
    heardClock.record(heardAtNs, static_cast<std::int32_t>(frames));
}

bool Listener::audibleWindow(std::int64_t nowNs, float* out) const {
    double heard = 0;
    if (!heardClock.heardFrame(nowNs, heard)) return false;
    const int count = FftAnalyser::kWindow;
    history.read(static_cast<std::int64_t>(heard) + kSpectrumLead - count, count, out);
    return true;
}

void Listener::fillSpectrum(std::int64_t nowNs, float* magnitudes) {
    if (!audibleWindow(nowNs, window.data())) {
        std::fill(magnitudes, magnitudes + FftAnalyser::kBins, 0.0f);
        return;
    }
    analyser.analyse(window.data(), magnitudes);
}
