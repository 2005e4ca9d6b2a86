#pragma once
// CPU seconds used so far, by this process, this thread, or the children
// this process has waited for.
#include <sys/resource.h>
#include <time.h>

inline double clockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

inline double processCpuSeconds() { return clockSeconds(CLOCK_PROCESS_CPUTIME_ID); }

inline double threadCpuSeconds() { return clockSeconds(CLOCK_THREAD_CPUTIME_ID); }

inline double childrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}
