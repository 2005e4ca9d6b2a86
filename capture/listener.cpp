#include "capture/listener.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "analysis/loudness.h"
#include "base/messages.h"
#include "output/pulse_helpers.h"

namespace {
// The server hands over captured sound in steps of about this many frames.
constexpr std::uint32_t kFragmentFrames = 512;
// How often a server or source that went away is looked for again.
constexpr pa_usec_t kRetryUs = 500'000;

// Names are copied on libpulse's thread, where nothing thrown may cross its
// C frames: out of memory, the old name stays.
bool copyName(std::string& to, const char* from) noexcept {
    try {
        to = from;
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::unique_ptr<Listener> Listener::open(const std::string& source) {
    std::unique_ptr<Listener> listener(new Listener(source));
    if (!listener->start()) return nullptr;
    return listener;
}

bool Listener::start() {
    heardClock.configure(kRate);
    mainloop = pa_threaded_mainloop_new();
    stepWaker = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (mainloop == nullptr || stepWaker < 0 || pa_threaded_mainloop_start(mainloop) < 0) return false;
    pa_threaded_mainloop_lock(mainloop);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop);
    stepWatch = api->io_new(api, stepWaker, PA_IO_EVENT_INPUT, &Listener::stepAsked, this);
    connect();
    pa_threaded_mainloop_unlock(mainloop);
    return true;
}

// Nothing of ours stays registered with libpulse once this has run.
Listener::~Listener() {
    if (mainloop != nullptr) {
        pa_threaded_mainloop_lock(mainloop);
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop);
        if (retry != nullptr) api->time_free(retry);
        retry = nullptr;
        if (stepWatch != nullptr) api->io_free(stepWatch);
        stepWatch = nullptr;
        dropStream();
        dropContext();
        pa_threaded_mainloop_unlock(mainloop);
        pa_threaded_mainloop_stop(mainloop);
        pa_threaded_mainloop_free(mainloop);
    }
    if (stepWaker >= 0) close(stepWaker);
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
        // Which output is the default, and which sources there are, now and
        // whenever they change.
        pa_context_set_subscribe_callback(changed, &Listener::serverEvent, listener);
        const auto watched =
            static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SOURCE);
        if (pa_operation* watching = pa_context_subscribe(changed, watched, nullptr, nullptr)) {
            pa_operation_unref(watching);
        }
        listener->listSources();
        if (!listener->namedSource.empty()) {
            listener->openStream(listener->namedSource.c_str());
        } else {
            listener->findDefaultMonitor();
        }
    }
    if (!PA_CONTEXT_IS_GOOD(state)) listener->contextLost();
}

void Listener::serverEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t, void* self) {
    auto* listener = static_cast<Listener*>(self);
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SOURCE) {
        listener->listSources();
    } else if (listener->namedSource.empty()) {
        listener->findDefaultMonitor();
    }
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
    if (!copyName(listener->defaultSink, info->default_sink_name)) return;
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
    if (!listener->namedSource.empty()) return;                               // stepped away meanwhile
    listener->dropStream();
    listener->openStream(info->monitor_source_name);
}

// The sources, monitors first, each kind in the server's order.
void Listener::listSources() {
    if (pa_operation* asking = pa_context_get_source_info_list(context, &Listener::sourceListed, this)) {
        pa_operation_unref(asking);
    }
}

// Out of memory, a source is left out of the list: nothing thrown may
// cross libpulse's C frames.
void Listener::sourceListed(pa_context*, const pa_source_info* info, int last, void* self) {
    auto* listener = static_cast<Listener*>(self);
    try {
        if (last != 0) return listener->sourcesListed();
        if (info == nullptr || info->name == nullptr) return;
        listener->listing.push_back({info->name, info->monitor_of_sink != PA_INVALID_INDEX});
    } catch (...) {
    }
}

void Listener::sourcesListed() {
    sources = std::move(listing);
    listing.clear();
    std::stable_partition(sources.begin(), sources.end(), [](const Source& source) { return source.monitor; });
    // A named source back after it went away is listened to again at once,
    // also where the server put the capture somewhere else meanwhile.
    const bool namedIsListed = std::any_of(sources.begin(), sources.end(),
                                           [&](const Source& source) { return source.name == namedSource; });
    if (namedSource.empty()) return;
    if (!namedIsListed) return tellMissing();
    toldMissing = false;
    if (stream != nullptr && listenedSource == namedSource) return;
    dropStream();
    openStream(namedSource.c_str());
}

// A mistyped name would otherwise wait in silence: once each time the
// named source is found missing, say so and what there is instead.
void Listener::tellMissing() {
    if (toldMissing) return;
    toldMissing = true;
    std::string line = "no source '" + namedSource + "' on the sound server (waiting for it); it has:";
    for (const Source& source : sources) line += " " + source.name;
    if (sources.empty()) line += " none";
    diagnose(line);
}

void Listener::step(int direction) {
    stepsAsked.fetch_add(direction, std::memory_order_relaxed);
    const std::uint64_t one = 1;
    // Full only after 2^64 - 1 unread steps; nothing to do about it then.
    [[maybe_unused]] const ssize_t written = write(stepWaker, &one, sizeof one);
}

void Listener::stepAsked(pa_mainloop_api*, pa_io_event*, int descriptor, pa_io_event_flags_t, void* self) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(descriptor, &count, sizeof count);
    auto* listener = static_cast<Listener*>(self);
    listener->stepNow(listener->stepsAsked.exchange(0, std::memory_order_relaxed));
}

void Listener::stepNow(int steps) {
    if (steps == 0 || sources.empty() || context == nullptr) return;
    const auto last = static_cast<long>(sources.size()) - 1;
    const auto at = std::find_if(sources.begin(), sources.end(),
                                 [&](const Source& source) { return source.name == listenedSource; });
    // From a source not listed (yet), the first step lands on an end.
    const long from = at != sources.end() ? at - sources.begin() : (steps > 0 ? -1 : last + 1);
    const long to = std::clamp(from + steps, 0L, last);
    if (to == from) return;
    if (!copyName(namedSource, sources[static_cast<std::size_t>(to)].name.c_str())) return;
    dropStream();
    openStream(namedSource.c_str());
}

void Listener::openStream(const char* from) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 1};
    copyName(listenedSource, from);
    stream = pa_stream_new(context, "listening", &spec, nullptr);
    if (stream == nullptr) return streamLost();
    pa_stream_set_state_callback(stream, &Listener::streamChanged, this);
    pa_stream_set_read_callback(stream, &Listener::readable, this);
    pa_stream_set_moved_callback(stream, &Listener::moved, this);
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.fragsize = kFragmentFrames * sizeof(float);
    buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<std::uint32_t>(-1);
    // A source the user named is not swapped for another when it goes away;
    // it is waited for.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                      PA_STREAM_AUTO_TIMING_UPDATE |
                                                      (namedSource.empty() ? 0 : PA_STREAM_DONT_MOVE));
    if (pa_stream_connect_record(stream, from, &buffer, flags) < 0) streamLost();
}

void Listener::streamChanged(pa_stream* changed, void* self) {
    auto* listener = static_cast<Listener*>(self);
    const pa_stream_state_t state = pa_stream_get_state(changed);
    if (state == PA_STREAM_READY) listener->describe(pa_stream_get_device_name(changed));
    if (!PA_STREAM_IS_GOOD(state)) listener->streamLost();
}

// Moved by the user (with the desktop's sound settings) or the server.
void Listener::moved(pa_stream* movedStream, void* self) {
    static_cast<Listener*>(self)->describe(pa_stream_get_device_name(movedStream));
}

// Where the stream really is: a server may have put it elsewhere than asked.
void Listener::describe(const char* sourceName) {
    if (sourceName == nullptr) return;
    copyName(listenedSource, sourceName);
    if (pa_operation* asking = pa_context_get_source_info_by_name(context, sourceName, &Listener::sourceIs, this)) {
        pa_operation_unref(asking);
    }
}

void Listener::sourceIs(pa_context*, const pa_source_info* info, int last, void* self) {
    if (last != 0 || info == nullptr) return;
    auto* listener = static_cast<Listener*>(self);
    listener->listeningToInput.store(info->monitor_of_sink == PA_INVALID_INDEX, std::memory_order_relaxed);
    try {
        listener->descriptions.publish(info->description != nullptr ? info->description : info->name);
    } catch (...) {  // out of memory: the old description stays
    }
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
        if (listener->namedSource.empty()) {
            listener->defaultSink.clear();
            listener->findDefaultMonitor();
        } else {
            listener->openStream(listener->namedSource.c_str());
        }
    }
}

void Listener::dropStream() { letGoOf(stream); }

void Listener::dropContext() { letGoOf(context); }

// The latency the server reports for a capture is how long ago its next
// frame to be read was recorded; for a monitor it is negative: how long
// until that frame reaches the speaker. Either way, that frame is heard at
// now minus the latency, and what is read after it follows at the rate.
// Servers may hand a monitor over in pieces of a frame or two: the clock is
// told once for each unbroken run of what is readable.
void Listener::readable(pa_stream* from, std::size_t, void* self) {
    auto* listener = static_cast<Listener*>(self);
    pa_usec_t latency = 0;
    int negative = 0;
    // Until the server has said how late the capture is, it cannot be dated.
    const bool timed = pa_stream_get_latency(from, &latency, &negative) == 0;
    // PipeWire reports a monitor's latency as a little positive; a capture
    // later than this is running behind what is heard.
    constexpr pa_usec_t kLateUs = 100'000;
    if (timed) listener->captureLate.store(negative == 0 && latency > kLateUs, std::memory_order_relaxed);
    std::int64_t runStartNs = monotonicNanoseconds() - static_cast<std::int64_t>(latency) * 1000 * (negative ? -1 : 1);
    std::int64_t runFrames = 0;
    auto endRun = [&] {
        if (runFrames > 0) listener->heardClock.record(runStartNs, static_cast<std::int32_t>(runFrames));
        runStartNs += runFrames * 1'000'000'000 / kRate;
        runFrames = 0;
    };
    while (pa_stream_readable_size(from) > 0) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(from, &data, &bytes) < 0 || bytes == 0) break;
        const auto frames = static_cast<std::int64_t>(bytes / sizeof(float));
        if (timed && data != nullptr) {
            listener->history.append(static_cast<const float*>(data), static_cast<std::size_t>(frames), 1);
            runFrames += frames;
        } else {
            // A hole in the capture is silence we were not given: what
            // follows it is heard that much later.
            endRun();
            runStartNs += frames * 1'000'000'000 / kRate;
        }
        pa_stream_drop(from);
    }
    endRun();
}

bool Listener::audibleWindow(std::int64_t nowNs, float* out) const {
    double heard = 0;
    if (!heardClock.heardFrame(nowNs, heard)) return false;
    // An input's capture, or a monitor running late, holds only what was
    // heard before now: the newest of it is shown. A monitor ahead of its
    // speaker shows what is heard now.
    // The window never reaches past what was captured: frames not yet here
    // would read as silence and turn a steady tone into a cut-off one.
    const int count = FftAnalyser::kWindow;
    const std::int64_t captured = heardClock.framesHanded();
    const bool behind = listeningToInput.load(std::memory_order_relaxed) || captureLate.load(std::memory_order_relaxed);
    const std::int64_t end =
        behind ? captured : std::min(static_cast<std::int64_t>(heard) + kSpectrumLead, captured);
    history.read(end - count, count, out);
    return true;
}

Loudness Listener::heard(std::int64_t nowNs) { return meter.measure(audibleWindow(nowNs, meter.window())); }
