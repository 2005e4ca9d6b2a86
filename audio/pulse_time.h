#pragma once
// Timers on libpulse's mainloop count on the time of day.
#include <pulse/pulseaudio.h>

inline timeval pulseTimeFromNow(pa_usec_t microseconds) {
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, microseconds);
    return when;
}
