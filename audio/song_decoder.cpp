#include "audio/song_decoder.h"

#include "audio/ffmpeg_decoder.h"
#include "audio/mp3_decoder.h"
#include "audio/song_formats.h"

std::unique_ptr<SongDecoder> openSongDecoder(const std::string& path) {
    if (isMp3Name(path)) {
        auto mp3 = std::make_unique<Mp3Decoder>();
        if (!mp3->open(path)) return nullptr;
        return mp3;
    }
    const char* container = containerOfName(path);
    if (container == nullptr) return nullptr;
    auto other = std::make_unique<FfmpegDecoder>();
    if (!other->open(path, container)) return nullptr;
    return other;
}
