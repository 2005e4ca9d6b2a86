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
    if (got != 0) return false;
    input.soundFound();
    // The decoder has already trimmed the priming and moved the timestamp
    // past it: the first frame it gives is where the song starts.
    if (!firstFrameSeen) {
        firstFrameSeen = true;
        firstTimestampKnown = frame->best_effort_timestamp != AV_NOPTS_VALUE;
        firstTimestamp = firstTimestampKnown ? frame->best_effort_timestamp : 0;
    }
    return true;
}

// Appends the frame just received to `pending`, in the song's format.
bool FfmpegDecoder::convertFrame() {
    const int skipped = framesBeforeTarget();
    if (skipped < frame->nb_samples && matchConverterToFrame()) {
        if (skipped == 0) {
            convert(const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
        } else {
            // The same planes (or the one packed plane), from the target on.
            const int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame->format));
            const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame->format)) != 0;
            const int planes = planar ? frame->ch_layout.nb_channels : 1;
            const std::size_t offset =
                static_cast<std::size_t>(skipped) * bytes * (planar ? 1 : frame->ch_layout.nb_channels);
            std::vector<const std::uint8_t*> from(static_cast<std::size_t>(planes));
            for (int i = 0; i < planes; ++i) from[i] = frame->extended_data[i] + offset;
            convert(from.data(), frame->nb_samples - skipped);
        }
    }
    av_frame_unref(frame);
    return true;
}

// After a seek, how many of the frame's samples come before the target, at
// the frame's own rate: all of them for a frame wholly before it. A frame
// without a timestamp follows on from the one before; with neither, it is
// taken whole.
int FfmpegDecoder::framesBeforeTarget() {
    if (seekTarget < 0 || frame->sample_rate <= 0 || frame->nb_samples <= 0) return 0;
    const AVRational timeBase = input.stream()->time_base;
    const AVRational sample{1, frame->sample_rate};
    std::int64_t start = nextStart;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
        start = av_rescale_q(frame->best_effort_timestamp - firstTimestamp, timeBase, sample);
    }
    const std::int64_t target = av_rescale(seekTarget, frame->sample_rate, outputRate);
    if (start == -1 && frame->best_effort_timestamp == AV_NOPTS_VALUE) {
        seekTarget = -1;
        return 0;
    }
    // The first frame after the seek begins past the target: the seek went too far.
    if (nextStart == -1 && start > target) overshot = true;
    nextStart = start + frame->nb_samples;
    const std::int64_t before = std::clamp<std::int64_t>(target - start, 0, frame->nb_samples);
    if (before < frame->nb_samples) seekTarget = -1;
    return static_cast<int>(before);
}

bool FfmpegDecoder::seekTo(std::int64_t target) {
    if (codec == nullptr || outputRate <= 0 || target < 0 || !firstTimestampKnown) return false;
    const AVRational timeBase = input.stream()->time_base;
    const std::int64_t at = firstTimestamp + av_rescale_q(target, AVRational{1, outputRate}, timeBase);
    // A demuxer may land past the place asked for (Ogg's search by pages
    // does): back from further before it, and at last from the start.
    for (const std::int64_t before : {0, 1, 4, 16}) {
        const std::int64_t from =
            before < 16 ? at - av_rescale_q(before * outputRate, AVRational{1, outputRate}, timeBase) : INT64_MIN;
        if (!seekBackTo(std::max(from, firstTimestamp), target)) return false;
        while (pending.empty() && !overshot && decodeFrame()) {
        }
        if (!overshot) return true;
    }
    return false;
}

// To a point at or before `from` in the stream, with what the decoder and
// the converter held dropped, ready to drop what comes before `target`.
bool FfmpegDecoder::seekBackTo(std::int64_t from, std::int64_t target) {
    if (av_seek_frame(input.format(), input.streamIndex(), from, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(input.format(), input.streamIndex(), INT64_MIN, from, from, 0) < 0) {
        return false;
    }
    input.moved();
    avcodec_flush_buffers(codec);
    swr_free(&converter);
    convertedRate = 0;
    convertedFormat = -1;
    convertedLayout.clear();
    pending.clear();
    draining = false;
    ended = false;
    overshot = false;
    seekTarget = target;
    nextStart = -1;
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
