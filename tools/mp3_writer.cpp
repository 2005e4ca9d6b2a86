#include "tools/mp3_writer.h"

#include <lame/lame.h>

#include <cstdio>
#include <cstring>

namespace {
lame_t openEncoder(const Mp3Format& format) {
    lame_t lame = lame_init();
    if (lame == nullptr) return nullptr;
    lame_set_in_samplerate(lame, format.sampleRate);
    lame_set_out_samplerate(lame, format.sampleRate);
    lame_set_num_channels(lame, format.channels);
    lame_set_mode(lame, format.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, format.infoTag ? 1 : 0);
    lame_set_free_format(lame, format.freeFormat ? 1 : 0);
    if (format.vbr) {
        lame_set_VBR(lame, vbr_default);
        lame_set_VBR_quality(lame, 4);
    } else {
        lame_set_VBR(lame, vbr_off);
        lame_set_brate(lame, format.kbps);
    }
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return nullptr;
    }
    return lame;
}

std::vector<float> channelOf(const std::vector<float>& pcm, int channels, int channel) {
    std::vector<float> samples(pcm.size() / channels);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = pcm[i * channels + channel];
    return samples;
}
}  // namespace

std::vector<unsigned char> encodeMp3(const std::vector<float>& pcm, const Mp3Format& format) {
    lame_t lame = openEncoder(format);
    if (lame == nullptr) return {};

    const std::vector<float> left = channelOf(pcm, format.channels, 0);
    const std::vector<float> right =
        format.channels == 2 ? channelOf(pcm, format.channels, 1) : left;

    std::vector<unsigned char> mp3;
    constexpr int kChunk = 8192;
    std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);
    for (std::size_t at = 0; at < left.size(); at += kChunk) {
        const int count = static_cast<int>(std::min<std::size_t>(kChunk, left.size() - at));
        const int written = lame_encode_buffer_ieee_float(
            lame, left.data() + at, right.data() + at, count, buffer.data(),
            static_cast<int>(buffer.size()));
        if (written < 0) {
            lame_close(lame);
            return {};
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    }
    const int flushed = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (flushed > 0) mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + flushed);

    // LAME left an empty first frame for the info tag; fill it in now that
    // the length is known.
    unsigned char tag[2880];
    const std::size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (format.infoTag && tagSize > 0 && tagSize <= sizeof tag && tagSize <= mp3.size()) {
        std::memcpy(mp3.data(), tag, tagSize);
    }
    lame_close(lame);
    return mp3;
}

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
