#include "video/aac_encoding.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include "decoding/open_song_decoder.h"
#include "decoding/quiet_ffmpeg.h"

AacEncoding::~AacEncoding() {
    avcodec_parameters_free(&setUp);
    avcodec_free_context(&encoder);
    av_frame_free(&frame);
    av_packet_free(&packet);
}

bool AacEncoding::open(const std::string& path) {
    quietFfmpeg();
    decoder = openSongDecoder(path, true);
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!decoder || aac == nullptr) return false;
    encoder = avcodec_alloc_context3(aac);
    setUp = avcodec_parameters_alloc();
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (encoder == nullptr || setUp == nullptr || frame == nullptr || packet == nullptr) return false;
    encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder->sample_rate = decoder->rate();
    av_channel_layout_default(&encoder->ch_layout, decoder->channels());
    encoder->bit_rate = 96'000 * decoder->channels();
    encoder->time_base = AVRational{1, decoder->rate()};
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;  // the set-up goes in the container, as an MP4 wants it
    if (avcodec_open2(encoder, aac, nullptr) < 0 || avcodec_parameters_from_context(setUp, encoder) < 0) return false;
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = encoder->sample_rate;
    frame->nb_samples = encoder->frame_size;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0) {
        return false;
    }
    interleaved.resize(static_cast<std::size_t>(encoder->frame_size) * decoder->channels());
    return true;
}

int AacEncoding::rate() const { return encoder->sample_rate; }

int AacEncoding::channels() const { return encoder->ch_layout.nb_channels; }

std::int64_t AacEncoding::leadingSamples() const { return encoder->initial_padding; }

// One frame of the song into the encoder, or the end of it.
bool AacEncoding::feedEncoder() {
    if (flushed) return false;
    const std::size_t got = decoder->read(interleaved.data(), static_cast<std::size_t>(encoder->frame_size));
    if (got == 0) {
        flushed = true;
        return avcodec_send_frame(encoder, nullptr) >= 0;
    }
    if (av_frame_make_writable(frame) < 0) return false;
    const int channels = decoder->channels();
    frame->nb_samples = static_cast<int>(got);
    for (int c = 0; c < channels; ++c) {
        auto* plane = reinterpret_cast<float*>(frame->data[c]);
        for (std::size_t i = 0; i < got; ++i) plane[i] = interleaved[i * channels + c];
    }
    return avcodec_send_frame(encoder, frame) >= 0;
}

bool AacEncoding::next(std::vector<unsigned char>& bytes, int& samples) {
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
