#include "decoding/song_tags.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}
#include <mpg123.h>

#include <cstring>
#include <new>

#include "decoding/ffmpeg_input.h"
#include "decoding/mpg123_file.h"
#include "decoding/song_formats.h"

namespace {
constexpr int kFrontCover = 3;  // the ID3v2 picture type, which FLAC shares

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
std::size_t sequenceLength(const unsigned char* at, std::size_t left) {
    const unsigned char lead = at[0];
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (left < length || at[1] < low || at[1] > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((at[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool isUtf8(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = sequenceLength(bytes + i, text.size() - i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// Each byte that starts no well-formed sequence becomes U+FFFD, so a
// damaged tag still shows what it can. Cut at the first NUL, as C strings in
// a tag end.
std::string validUtf8(const char* text, std::size_t size) {
    const std::string given(text, strnlen(text, size));
    if (isUtf8(given)) return given;
    const auto* bytes = reinterpret_cast<const unsigned char*>(given.data());
    std::string valid;
    for (std::size_t i = 0; i < given.size();) {
        const std::size_t length = sequenceLength(bytes + i, given.size() - i);
        if (length == 0) {
            valid += "\xEF\xBF\xBD";
            ++i;
        } else {
            valid.append(given, i, length);
            i += length;
        }
    }
    return valid;
}

// ID3v1 has no encoding of its own: UTF-8 where it reads as such, else
// Latin-1, as taggers wrote it.
std::string id3v1Text(const char* field, std::size_t size) {
    std::string text(field, strnlen(field, size));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (isUtf8(text)) return text;
    std::string converted;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            converted += c;
        } else {
            converted += static_cast<char>(0xC0 | byte >> 6);
            converted += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return converted;
}

std::string id3v2Text(const mpg123_string* text) {
    if (text == nullptr || text->p == nullptr || text->fill == 0) return {};
    return validUtf8(text->p, text->fill);
}

// The kind of picture by its first bytes, whatever its tag calls it; "" for
// anything but JPEG and PNG.
std::string pictureType(const unsigned char* bytes, std::size_t size) {
    static const unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= sizeof png && std::memcmp(bytes, png, sizeof png) == 0) return "image/png";
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return "image/jpeg";
    return {};
}

CoverArt coverOf(const unsigned char* bytes, std::size_t size) {
    CoverArt art;
    if (bytes == nullptr || size == 0) return art;
    art.mimeType = pictureType(bytes, size);
    if (!art.mimeType.empty()) art.bytes.assign(bytes, bytes + size);
    return art;
}

SongTags mp3Tags(const std::string& path) {
    SongTags tags;
    Mpg123File input;
    if (!input.open(path, true, Mpg123File::Tags::Read)) return tags;
    mpg123_handle* mpg123 = input.handle();
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    if ((mpg123_meta_check(mpg123) & MPG123_ID3) != 0 && mpg123_id3(mpg123, &v1, &v2) == MPG123_OK) {
        if (v2 != nullptr) {
            tags.title = id3v2Text(v2->title);
            tags.artist = id3v2Text(v2->artist);
            tags.album = id3v2Text(v2->album);
            const mpg123_picture* chosen = nullptr;
            for (std::size_t i = 0; v2->picture != nullptr && i < v2->pictures; ++i) {
                const mpg123_picture& picture = v2->picture[i];
                if (pictureType(picture.data, picture.size).empty()) continue;
                if (chosen == nullptr || (picture.type == kFrontCover && chosen->type != kFrontCover)) {
                    chosen = &picture;
                }
            }
            if (chosen != nullptr) tags.art = coverOf(chosen->data, chosen->size);
        }
        if (v1 != nullptr && std::memcmp(v1->tag, "TAG", 3) == 0) {
            if (tags.title.empty()) tags.title = id3v1Text(v1->title, sizeof v1->title);
            if (tags.artist.empty()) tags.artist = id3v1Text(v1->artist, sizeof v1->artist);
            if (tags.album.empty()) tags.album = id3v1Text(v1->album, sizeof v1->album);
        }
    }
    // The length from every frame's header (a Xing header may be missing or
    // wrong); tags further in are not read, whatever size they claim.
    mpg123_param(mpg123, MPG123_ADD_FLAGS, MPG123_SKIP_ID3V2, 0);
    if (mpg123_scan(mpg123) == MPG123_OK) {
        const off_t samples = mpg123_length(mpg123);
        if (samples > 0 && input.rate() > 0) tags.seconds = static_cast<double>(samples) / input.rate();
    }
    return tags;
}

// A key's value in the container's tags, else in the music stream's (where
// Ogg keeps its comments); FFmpeg matches keys in any letter case.
std::string ffmpegText(const FfmpegInput& input, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(input.format()->metadata, key, nullptr, 0);
    if (entry == nullptr || entry->value == nullptr || entry->value[0] == '\0') {
        entry = av_dict_get(input.stream()->metadata, key, nullptr, 0);
    }
    if (entry == nullptr || entry->value == nullptr) return {};
    return validUtf8(entry->value, std::strlen(entry->value));
}

bool isFrontCover(const AVStream* stream) {
    const AVDictionaryEntry* comment = av_dict_get(stream->metadata, "comment", nullptr, 0);
    return comment != nullptr && comment->value != nullptr && std::strcmp(comment->value, "Cover (front)") == 0;
}

SongTags ffmpegTags(const std::string& path, const char* container) {
    SongTags tags;
    FfmpegInput input;
    if (!input.open(path, container)) return tags;
    tags.title = ffmpegText(input, "title");
    tags.artist = ffmpegText(input, "artist");
    tags.album = ffmpegText(input, "album");

    const AVFormatContext* format = input.format();
    const AVStream* music = input.stream();
    if (music->duration > 0 && music->time_base.num > 0 && music->time_base.den > 0) {
        tags.seconds = static_cast<double>(music->duration) * av_q2d(music->time_base);
    } else if (format->duration > 0) {
        tags.seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
    }

    const AVStream* chosen = nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0 || stream->attached_pic.size <= 0) continue;
        const AVCodecID id = stream->codecpar->codec_id;
        if (id != AV_CODEC_ID_MJPEG && id != AV_CODEC_ID_PNG) continue;
        if (chosen == nullptr || (isFrontCover(stream) && !isFrontCover(chosen))) chosen = stream;
    }
    if (chosen != nullptr) {
        tags.art = coverOf(chosen->attached_pic.data, static_cast<std::size_t>(chosen->attached_pic.size));
    }
    return tags;
}
}  // namespace

SongTags readSongTags(const std::string& path) {
    try {
        if (isMp3Name(path)) return mp3Tags(path);
        const char* container = containerOfName(path);
        if (container != nullptr) return ffmpegTags(path, container);
    } catch (const std::bad_alloc&) {
        // Out of memory over one song's tags: it goes without them.
    }
    return {};
}
