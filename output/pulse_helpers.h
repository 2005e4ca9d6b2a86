#pragma once
// What every libpulse client of ours does alike. Call these on the mainloop
// thread, or with its lock held.
#include <pulse/pulseaudio.h>

// Timers on libpulse's mainloop count on the time of day.
inline timeval pulseTimeFromNow(pa_usec_t microseconds) {
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, microseconds);
    return when;
}

// Unregisters every callback before letting go, so none can come later;
// leaves the pointer null.
inline void letGoOf(pa_stream*& stream) {
    if (stream == nullptr) return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_moved_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

inline void letGoOf(pa_context*& context) {
    if (context == nullptr) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
}
