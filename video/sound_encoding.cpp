#include "video/sound_encoding.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

#include "decoding/open_song_decoder.h"
#include "decoding/quiet_ffmpeg.h"

namespace {
// Opus's own rate: its encoder takes no other worth having.
constexpr int kOpusRate = 48000;
// Each channel's bits a second: transparent for music in either codec.
constexpr int kAacBitsPerChannel = 96'000, kOpusBitsPerChannel = 80'000;
}  // namespace

SoundEncoding::~SoundEncoding() {
    swr_free(&resampler);
    avcodec_parameters_free(&setUp);
    avcodec_free_context(&encoder);
    av_frame_free(&frame);
    av_packet_free(&packet);
}

bool SoundEncoding::open(const std::string& path, Codec codec) {
    quietFfmpeg();
    decoder = openSongDecoder(path, true);
    const bool opus = codec == Codec::Opus;
    const AVCodec* chosen = opus ? avcodec_find_encoder_by_name("libopus") : avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!decoder || chosen == nullptr) return false;
    encoder = avcodec_alloc_context3(chosen);
    setUp = avcodec_parameters_alloc();
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (encoder == nullptr || setUp == nullptr || frame == nullptr || packet == nullptr) return false;
    const int channels = decoder->channels();
    // libopus takes its samples interleaved, FFmpeg's AAC encoder planar.
    encoder->sample_fmt = opus ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_FLTP;
    encoder->sample_rate = opus ? kOpusRate : decoder->rate();
    av_channel_layout_default(&encoder->ch_layout, channels);
    encoder->bit_rate = static_cast<std::int64_t>(opus ? kOpusBitsPerChannel : kAacBitsPerChannel) * channels;
    encoder->time_base = AVRational{1, encoder->sample_rate};
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;  // the set-up goes in the container, as an MP4 wants it
    if (avcodec_open2(encoder, chosen, nullptr) < 0 || avcodec_parameters_from_context(setUp, encoder) < 0) return false;
    if (encoder->sample_rate != decoder->rate()) {
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, channels);
        const int status = swr_alloc_set_opts2(&resampler, &layout, AV_SAMPLE_FMT_FLT, encoder->sample_rate, &layout,
                                               AV_SAMPLE_FMT_FLT, decoder->rate(), 0, nullptr);
        av_channel_layout_uninit(&layout);
        if (status < 0 || swr_init(resampler) < 0) return false;
    }
    frame->format = encoder->sample_fmt;
    frame->sample_rate = encoder->sample_rate;
    frame->nb_samples = encoder->frame_size;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0) {
        return false;
    }
    interleaved.resize(static_cast<std::size_t>(encoder->frame_size) * channels);
    return true;
}

int SoundEncoding::rate() const { return encoder->sample_rate; }

int SoundEncoding::channels() const { return encoder->ch_layout.nb_channels; }

std::int64_t SoundEncoding::leadingSamples() const { return encoder->initial_padding; }

std::size_t SoundEncoding::readSamples() {
    const auto wanted = static_cast<std::size_t>(encoder->frame_size);
    if (resampler == nullptr) return decoder->read(interleaved.data(), wanted);
    const int channels = decoder->channels();
    auto* out = reinterpret_cast<std::uint8_t*>(interleaved.data());
    std::size_t got = 0;
    // What the resampler holds comes first; the song is read only when it
    // has too little, and after its end the resampler gives the rest.
    while (got < wanted) {
        const auto room = static_cast<int>(wanted - got);
        std::uint8_t* outAt = out + got * channels * sizeof(float);
        int made = 0;
        if (songEnded || swr_get_out_samples(resampler, 0) >= room) {
            made = swr_convert(resampler, &outAt, room, nullptr, 0);
            if (made < 0 || (made == 0 && songEnded)) break;
        }
        if (made == 0) {
            songSamples.resize(wanted * channels);
            const std::size_t read = decoder->read(songSamples.data(), wanted);
            if (read == 0) {
                songEnded = true;
                continue;
            }
            const auto* in = reinterpret_cast<const std::uint8_t*>(songSamples.data());
            made = swr_convert(resampler, &outAt, room, &in, static_cast<int>(read));
            if (made < 0) break;
        }
        got += static_cast<std::size_t>(made);
    }
    return got;
}

// One frame of the song into the encoder, or the end of it.
bool SoundEncoding::feedEncoder() {
    if (flushed) return false;
    const std::size_t got = readSamples();
    if (got == 0) {
        flushed = true;
        return avcodec_send_frame(encoder, nullptr) >= 0;
    }
    if (av_frame_make_writable(frame) < 0) return false;
    const int channels = decoder->channels();
    frame->nb_samples = static_cast<int>(got);
    if (encoder->sample_fmt == AV_SAMPLE_FMT_FLT) {
        std::copy_n(interleaved.data(), got * channels, reinterpret_cast<float*>(frame->data[0]));
    } else {
        for (int c = 0; c < channels; ++c) {
            auto* plane = reinterpret_cast<float*>(frame->data[c]);
            for (std::size_t i = 0; i < got; ++i) plane[i] = interleaved[i * channels + c];
        }
    }
    return avcodec_send_frame(encoder, frame) >= 0;
}

bool SoundEncoding::next(std::vector<unsigned char>& bytes, int& samples) {
    while (true) {
        const int status = avcodec_receive_packet(encoder, packet);
        if (status == 0) {
            bytes.assign(packet->data, packet->data + packet->size);
            samples = static_cast<int>(packet->duration);
            av_packet_unref(packet);
            return true;
        }
        if (status != AVERROR(EAGAIN) || !feedEncoder()) return false;
    }
}
