#include "decoding/open_song_decoder.h"

#include "decoding/ffmpeg_decoder.h"
#include "decoding/mp3_decoder.h"
#include "decoding/song_formats.h"

std::unique_ptr<SongDecoder> openSongDecoder(const std::string& path, bool forVideo) {
    if (isMp3Name(path)) {
        auto mp3 = std::make_unique<Mp3Decoder>();
        const auto change = forVideo ? Mp3Decoder::FormatChange::EndsTheSong : Mp3Decoder::FormatChange::IsConverted;
        if (!mp3->open(path, change)) return nullptr;
        return mp3;
    }
    const char* container = containerOfName(path);
    if (container == nullptr) return nullptr;
    auto other = std::make_unique<FfmpegDecoder>();
    if (!other->open(path, container)) return nullptr;
    return other;
}
