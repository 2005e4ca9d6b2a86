#include "decoding/ffmpeg_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstring>

#include "decoding/quiet_ffmpeg.h"
#include "decoding/song_formats.h"
#include "decoding/wave_data_end.h"

namespace {
constexpr int kIoBufferBytes = 64 * 1024;
// How far a song is read with no sound coming out of it before it has
// ended. FFmpeg's parsers keep what they cannot place, so reading on costs
// memory all the way, twice what was read: a FLAC followed by 700 MB that
// held no frame aborted inside libavcodec. Far more than any real gap: a
// cover picture's block in a FLAC is at most 16 MB.
constexpr std::int64_t kMostBytesWithoutSound = 32 << 20;
// A file whose space was reserved before it was written (a download under
// way) holds zeros after the song, gigabytes of them. Music never comes as
// a megabyte of nothing but zeros: the song has ended, at once, where the
// bound above would take most of a second of the FLAC parser's copying.
constexpr std::int64_t kMostZerosWithoutSound = 1 << 20;

bool allZeros(const std::uint8_t* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t byte) { return byte == 0; });
}

// What a music file holds; anything else in a file of these names (a video
// track, a codec nobody rips music to) is not played.
bool isMusicCodec(AVCodecID id) {
    switch (id) {
        case AV_CODEC_ID_FLAC:
        case AV_CODEC_ID_VORBIS:
        case AV_CODEC_ID_OPUS:
        case AV_CODEC_ID_AAC:
        case AV_CODEC_ID_ALAC:
        case AV_CODEC_ID_PCM_U8:
        case AV_CODEC_ID_PCM_S16LE:
        case AV_CODEC_ID_PCM_S24LE:
        case AV_CODEC_ID_PCM_S32LE:
        case AV_CODEC_ID_PCM_F32LE:
        case AV_CODEC_ID_PCM_F64LE:
        case AV_CODEC_ID_PCM_ALAW:
        case AV_CODEC_ID_PCM_MULAW:
            return true;
        default:
            return false;
    }
}

}  // namespace

// Past the allowance the file reads as ended, so the demuxer and its parser
// stop there and give up what they hold; the last frames they give up then
// are no reason to read on.
int FfmpegInput::readFile(void* opaque, std::uint8_t* out, int bytes) {
    auto* input = static_cast<FfmpegInput*>(opaque);
    input->cutShort = input->cutShort || input->bytesWithoutSound >= kMostBytesWithoutSound ||
                      input->zerosWithoutSound >= kMostZerosWithoutSound;
    if (input->cutShort) return AVERROR_EOF;
    const ssize_t got = input->file.read(out, static_cast<size_t>(bytes));
    if (got < 0) return AVERROR(EIO);
    if (got == 0) return AVERROR_EOF;
    input->bytesWithoutSound += got;
    if (allZeros(out, static_cast<std::size_t>(got))) input->zerosWithoutSound += got;
    return static_cast<int>(got);
}

std::int64_t FfmpegInput::seekFile(void* opaque, std::int64_t offset, int whence) {
    BufferedFile& file = static_cast<FfmpegInput*>(opaque)->file;
    if ((whence & AVSEEK_SIZE) != 0) return file.length();
    const off_t at = file.seek(static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(EINVAL) : at;
}

FfmpegInput::~FfmpegInput() {
    avformat_close_input(&context);
    if (io != nullptr) av_freep(&io->buffer);
    avio_context_free(&io);
}

AVStream* FfmpegInput::stream() const { return context->streams[index]; }

bool FfmpegInput::open(const std::string& path, const char* container) {
    quietFfmpeg();
    problem = {};
    if (!file.open(path)) {
        problem = file.why();
        return false;
    }
    if (std::strcmp(container, "wav") == 0) endAtTheSound();
    if (!openContainer(container)) {
        problem = std::string("not ") + kindOfName(path) + " file";
        return false;
    }
    index = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    // Some demuxers take any bytes at all; one that finds no sound in them
    // was not reading such a file.
    if (index < 0) {
        problem = std::string("not ") + kindOfName(path) + " file";
        return false;
    }
    if (codec == nullptr || !isMusicCodec(codec->id)) {
        problem = "no music in it that viz can play";
        return false;
    }
    // Cover pictures and any other track are not even read into packets.
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (static_cast<int>(i) != index) context->streams[i]->discard = AVDISCARD_ALL;
    }
    return true;
}

bool FfmpegInput::openContainer(const char* container) {
    const AVInputFormat* demuxer = av_find_input_format(container);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    io = buffer != nullptr ? avio_alloc_context(buffer, kIoBufferBytes, 0, this, &readFile, nullptr, &seekFile)
                           : nullptr;
    if (io == nullptr) {
        av_free(buffer);
        return false;
    }
    context = avformat_alloc_context();
    if (demuxer == nullptr || context == nullptr) return false;
    context->pb = io;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure FFmpeg frees the context and nulls the pointer.
    if (avformat_open_input(&context, nullptr, demuxer, nullptr) < 0) return false;
    // Tags and pictures before the sound had an allowance of their own.
    soundFound();
    return avformat_find_stream_info(context, nullptr) >= 0;
}

// A WAV's sound ends with its data chunk, whatever follows: the file ends
// there for FFmpeg, which would otherwise look through the rest for more
// chunks, as long as reading zeros takes.
void FfmpegInput::endAtTheSound() {
    const off_t end = waveDataEnd(file);
    if (end > 0) file.endAt(end);
    file.seek(0, SEEK_SET);
}
