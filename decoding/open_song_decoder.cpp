#include "decoding/open_song_decoder.h"

#include "decoding/ffmpeg_decoder.h"
#include "decoding/mp3_decoder.h"
#include "decoding/song_formats.h"

namespace {
// The decoder, or nullptr with the reason in `why`.
template <typename Decoder>
std::unique_ptr<SongDecoder> openedOrWhy(std::unique_ptr<Decoder> decoder, bool opened, Problem* why) {
    if (opened) return decoder;
    if (why != nullptr) *why = decoder->why();
    return nullptr;
}
}  // namespace

std::unique_ptr<SongDecoder> openSongDecoder(const std::string& path, bool forVideo, Problem* why) {
    if (isMp3Name(path)) {
        auto mp3 = std::make_unique<Mp3Decoder>();
        const auto change = forVideo ? Mp3Decoder::FormatChange::EndsTheSong : Mp3Decoder::FormatChange::IsConverted;
        const bool opened = mp3->open(path, change);
        return openedOrWhy(std::move(mp3), opened, why);
    }
    const char* container = containerOfName(path);
    if (container == nullptr) {
        if (why != nullptr) *why = "not a kind of song viz plays";
        return nullptr;
    }
    auto other = std::make_unique<FfmpegDecoder>();
    const bool opened = other->open(path, container);
    return openedOrWhy(std::move(other), opened, why);
}
