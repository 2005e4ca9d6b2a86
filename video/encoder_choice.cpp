#include "video/encoder_choice.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <array>
#include <string>
#include <thread>

namespace {
struct Tuning {
    const char* speed;  // the encoder's preset, cpu-used or deadline
    int constantQuality;  // CRF: lower is better and bigger
    const char* deadline = "good";  // libvpx's alone
};
using Tunings = std::array<Tuning, 3>;  // draft, good, best

// x264 at 1080x1080, 60 a second, beside the software renderer on two
// cores: good takes a third more than draft's time (the drawing is most of
// both) at under a third of its size, and is what video sites re-encode
// from without visible loss; best keeps finer detail, a quarter larger, in
// twice good's time.
constexpr Tunings kH264 = {{{"ultrafast", 23}, {"veryfast", 20}, {"slow", 18}}};
// libvpx-vp9's cpu-used and deadline, and its CRF on the 0 to 63 scale:
// the "good" deadline goes no quicker than cpu-used 5, so draft takes the
// "realtime" one at its quickest.
constexpr Tunings kVp9 = {{{"8", 36, "realtime"}, {"5", 31}, {"2", 28}}};
// SVT-AV1's preset (13 is its quickest) and CRF on the 0 to 63 scale.
constexpr Tunings kAv1 = {{{"12", 38}, {"9", 32}, {"6", 28}}};

Tuning tuningOf(const Tunings& tunings, Quality quality) { return tunings[static_cast<std::size_t>(quality)]; }

int cores() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }
}  // namespace

const char* qualityName(Quality quality) {
    switch (quality) {
        case Quality::Draft: return "draft";
        case Quality::Good: return "good";
        case Quality::Best: return "best";
    }
    return "";
}

const char* codecName(VideoCodec codec) {
    switch (codec) {
        case VideoCodec::H264: return "h264";
        case VideoCodec::Vp9: return "vp9";
        case VideoCodec::Av1: return "av1";
        case VideoCodec::Automatic: break;
    }
    return "";
}

const char* encoderName(VideoCodec codec) {
    switch (codec) {
        case VideoCodec::Vp9: return "libvpx-vp9";
        case VideoCodec::Av1: return "libsvtav1";
        case VideoCodec::H264:
        case VideoCodec::Automatic: break;
    }
    return "libx264";
}

void chooseEncoderSettings(AVCodecContext* encoder, VideoCodec codec, Quality quality, std::int64_t bitrate) {
    void* options = encoder->priv_data;
    const bool constantQuality = bitrate <= 0;
    if (!constantQuality) encoder->bit_rate = bitrate;
    // A thread a core, not the encoders' one and a half: the renderer
    // and the conversion need the rest.
    encoder->thread_count = cores();
    switch (codec) {
        case VideoCodec::Vp9: {
            const Tuning tuning = tuningOf(kVp9, quality);
            av_opt_set(options, "deadline", tuning.deadline, 0);
            av_opt_set(options, "cpu-used", tuning.speed, 0);
            // Rows of tiles encoded side by side: both cores busy.
            av_opt_set_int(options, "row-mt", 1, 0);
            av_opt_set_int(options, "tile-columns", encoder->width >= 1024 ? 2 : encoder->width >= 512 ? 1 : 0, 0);
            if (constantQuality) {
                av_opt_set_int(options, "crf", tuning.constantQuality, 0);
                encoder->bit_rate = 0;  // with a CRF: constant quality, no cap
            }
            break;
        }
        case VideoCodec::Av1: {
            const Tuning tuning = tuningOf(kAv1, quality);
            av_opt_set(options, "preset", tuning.speed, 0);
            if (constantQuality) av_opt_set_int(options, "crf", tuning.constantQuality, 0);
            break;
        }
        case VideoCodec::H264:
        case VideoCodec::Automatic: {
            const Tuning tuning = tuningOf(kH264, quality);
            av_opt_set(options, "preset", tuning.speed, 0);
            if (constantQuality) av_opt_set(options, "crf", std::to_string(tuning.constantQuality).c_str(), 0);
            break;
        }
    }
}
