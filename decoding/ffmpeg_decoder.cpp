#include "decoding/ffmpeg_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

#include "base/full_scale.h"

namespace {
// Packets the decoder refuses in a row before the song is given up.
constexpr int kMostFailuresInARow = 64;

std::string describe(const AVChannelLayout& layout) {
    char text[128] = {};
    av_channel_layout_describe(&layout, text, sizeof text);
    return text;
}
}  // namespace

FfmpegDecoder::~FfmpegDecoder() { close(); }

void FfmpegDecoder::close() {
    avcodec_free_context(&codec);
    swr_free(&converter);
    av_packet_free(&packet);
    av_frame_free(&frame);
}

bool FfmpegDecoder::open(const std::string& path, const char* container) {
    if (!input.open(path, container)) {
        problem = input.why();
        return false;
    }
    if (!openCodec()) {
        problem = "its sound's codec would not open";
        return false;
    }
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (packet == nullptr || frame == nullptr) {
        problem = "out of memory";
        return false;
    }
    // The first sound decides the song's format; a file that gives none is
    // not a song.
    while (pending.empty() && !ended) {
        if (!decodeFrame()) break;
    }
    if (pending.empty()) problem = "no sound in it";
    return !pending.empty();
}

bool FfmpegDecoder::openCodec() {
    const AVStream* stream = input.stream();
    codec = avcodec_alloc_context3(input.decoder());
    if (codec == nullptr || avcodec_parameters_to_context(codec, stream->codecpar) < 0) return false;
    codec->pkt_timebase = stream->time_base;
    return avcodec_open2(codec, input.decoder(), nullptr) >= 0;
}

// Decodes until one more frame is converted into `pending`; false at the
// end, after what the converter still held.
bool FfmpegDecoder::decodeFrame() {
    int failures = 0;
    while (!ended) {
        if (receiveFrame()) return convertFrame();
        if (draining) break;
        if (av_read_frame(input.format(), packet) < 0) {
            draining = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        const bool ours = packet->stream_index == input.streamIndex();
        const int sent = ours ? avcodec_send_packet(codec, packet) : 0;
        av_packet_unref(packet);
        // Damaged stretches are skipped, up to a point.
        failures = sent < 0 && sent != AVERROR(EAGAIN) ? failures + 1 : 0;
        if (failures > kMostFailuresInARow) break;
    }
    if (!ended) flushConverter();
    ended = true;
    return false;
}

bool FfmpegDecoder::receiveFrame() {
    const int got = avcodec_receive_frame(codec, frame);
    if (got == AVERROR_EOF) draining = true;
    if (got == 0) input.soundFound();
    return got == 0;
}

// Appends the frame just received to `pending`, in the song's format.
bool FfmpegDecoder::convertFrame() {
    if (matchConverterToFrame()) {
        convert(const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
    }
    av_frame_unref(frame);
    return true;
}

// What a resampling converter holds back, out.
void FfmpegDecoder::flushConverter() {
    if (converter != nullptr) convert(nullptr, 0);
}

void FfmpegDecoder::convert(const std::uint8_t** input, int inputFrames) {
    const int room = swr_get_out_samples(converter, inputFrames);
    if (room <= 0) return;
    const std::size_t first = pending.size();
    pending.resize(first + static_cast<std::size_t>(room) * outputChannels);
    auto* out = reinterpret_cast<std::uint8_t*>(pending.data() + first);
    const int made = swr_convert(converter, &out, room, input, inputFrames);
    pending.resize(first + static_cast<std::size_t>(std::max(made, 0)) * outputChannels);
}

// The first frame sets the song's format; a frame unlike the one before
// sets the converter up anew, from its format to the song's.
bool FfmpegDecoder::matchConverterToFrame() {
    if (frame->sample_rate <= 0 || frame->ch_layout.nb_channels < 1) return false;
    AVChannelLayout layout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0) {
        return false;
    }
    const std::string described = describe(layout);
    if (outputRate == 0) {
        outputRate = frame->sample_rate;
        outputChannels = std::min(layout.nb_channels, 2);
    }
    const bool same = converter != nullptr && frame->sample_rate == convertedRate &&
                      frame->format == convertedFormat && described == convertedLayout;
    if (!same) {
        flushConverter();  // the old format's last sound comes before the new one's
        swr_free(&converter);
        AVChannelLayout songLayout{};
        av_channel_layout_default(&songLayout, outputChannels);
        const bool ready =
            swr_alloc_set_opts2(&converter, &songLayout, AV_SAMPLE_FMT_FLT, outputRate, &layout,
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr) >= 0 &&
            swr_init(converter) >= 0;
        av_channel_layout_uninit(&songLayout);
        if (!ready) swr_free(&converter);
        convertedRate = frame->sample_rate;
        convertedFormat = frame->format;
        convertedLayout = described;
    }
    av_channel_layout_uninit(&layout);
    return converter != nullptr;
}

std::size_t FfmpegDecoder::read(float* out, std::size_t maxFrames) {
    const auto channels = static_cast<std::size_t>(outputChannels);
    if (channels == 0) return 0;
    while (pending.size() < maxFrames * channels && decodeFrame()) {
    }
    const std::size_t frames = std::min(maxFrames, pending.size() / channels);
    std::copy_n(pending.begin(), frames * channels, out);
    keepInFullScale(out, frames * channels);
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(frames * channels));
    return frames;
}
