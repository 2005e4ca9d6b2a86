#include "decoding/quiet_ffmpeg.h"

extern "C" {
#include <libavutil/log.h>
}

#include <mutex>

void quietFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}
