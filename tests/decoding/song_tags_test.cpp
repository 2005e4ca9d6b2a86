// Tags as the encoders and taggers people use write them: the title, artist
// and album in UTF-8 whatever the tag's own encoding, the length, and the
// front cover where a file holds several pictures. Damaged files give empty
// tags, never a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoding/song_tags.h"
#include "tools/hostile_mp3s.h"
#include "tools/mp3_maker.h"
#include "tools/song_maker.h"

namespace {
using Bytes = std::vector<unsigned char>;

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// An 8x8 picture in one colour, by FFmpeg's encoder for its name's kind.
Bytes makePicture(const std::string& path, const char* colour) {
    if (!run(std::string("ffmpeg -v error -y -f lavfi -i color=c=") + colour + ":s=8x8 -frames:v 1 '" + path + "'")) {
        return {};
    }
    return readBytes(path);
}

// An ID3v2.3 frame: its id, its size, no flags.
void putFrame(Bytes& tag, const char* id, const Bytes& body) {
    tag.insert(tag.end(), id, id + 4);
    for (int shift = 24; shift >= 0; shift -= 8) tag.push_back(static_cast<unsigned char>(body.size() >> shift));
    tag.insert(tag.end(), {0, 0});
    tag.insert(tag.end(), body.begin(), body.end());
}

Bytes picture(unsigned char type, const char* mime, const Bytes& bytes) {
    Bytes body{0};  // Latin-1 description
    body.insert(body.end(), mime, mime + std::string(mime).size() + 1);
    body.push_back(type);
    body.push_back(0);  // no description
    body.insert(body.end(), bytes.begin(), bytes.end());
    return body;
}

Bytes id3v2Tag(const std::vector<std::pair<const char*, Bytes>>& frames) {
    Bytes body;
    for (const auto& [id, frame] : frames) putFrame(body, id, frame);
    Bytes tag{'I', 'D', '3', 3, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(static_cast<unsigned char>((body.size() >> shift) & 0x7F));
    tag.insert(tag.end(), body.begin(), body.end());
    return tag;
}

// A 128-byte ID3v1 tag; its fields in whatever bytes the tagger wrote.
Bytes id3v1Tag(const std::string& title, const std::string& artist, const std::string& album) {
    Bytes tag(128, 0);
    std::copy_n("TAG", 3, tag.begin());
    std::copy(title.begin(), title.end(), tag.begin() + 3);
    std::copy(artist.begin(), artist.end(), tag.begin() + 33);
    std::copy(album.begin(), album.end(), tag.begin() + 63);
    tag[127] = 255;  // no genre
    return tag;
}

void expectNoTags(const SongTags& tags, const std::string& path) {
    EXPECT_TRUE(tags.title.empty() && tags.artist.empty() && tags.album.empty()) << path;
    EXPECT_TRUE(tags.art.bytes.empty() && tags.art.mimeType.empty()) << path;
}
}  // namespace

TEST(SongTags, Mp3FromLameHasItsTextLengthAndPicture) {
    mp3::TempFolder folder;
    const Bytes png = makePicture(folder / "cover.png", "red");
    ASSERT_FALSE(png.empty());
    ASSERT_TRUE(songs::writeWav(folder / "song.wav", 2.0, mp3::sine(440, 0.5)));
    ASSERT_TRUE(run("lame --quiet --tt 'A Title' --ta 'An Artist' --tl 'An Album' --ti '" + folder / "cover.png" +
                    "' '" + folder / "song.wav" + "' '" + folder / "song.mp3" + "'"));
    const SongTags tags = readSongTags(folder / "song.mp3");
    EXPECT_EQ(tags.title, "A Title");
    EXPECT_EQ(tags.artist, "An Artist");
    EXPECT_EQ(tags.album, "An Album");
    EXPECT_NEAR(tags.seconds, 2.0, 0.05);
    EXPECT_EQ(tags.art.mimeType, "image/png");
    EXPECT_EQ(tags.art.bytes, png);
}

// A tag written by hand: UTF-16 text, a back cover before the front one,
// and an ID3v1 tag in Latin-1 for what the ID3v2 tag lacks.
TEST(SongTags, Mp3PrefersTheFrontCoverAndFallsBackToId3v1) {
    mp3::TempFolder folder;
    const Bytes png = makePicture(folder / "back.png", "blue");
    const Bytes jpeg = makePicture(folder / "front.jpg", "green");
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(jpeg.empty());
    ASSERT_TRUE(mp3::write(folder / "plain.mp3", 2.0, mp3::sine(330, 0.5)));
    // "Café ☕" in UTF-16 with its byte-order mark.
    const Bytes title{1, 0xFF, 0xFE, 'C', 0, 'a', 0, 'f', 0, 0xE9, 0, ' ', 0, 0x15, 0x26};
    Bytes song = id3v2Tag({{"TIT2", title}, {"APIC", picture(4, "image/png", png)}, {"APIC", picture(3, "image/jpeg", jpeg)}});
    const Bytes audio = readBytes(folder / "plain.mp3");
    song.insert(song.end(), audio.begin(), audio.end());
    const Bytes v1 = id3v1Tag("Ignored", "Se\xF1or", "Caf\xE9 Album");
    song.insert(song.end(), v1.begin(), v1.end());
    ASSERT_TRUE(writeBytes(folder / "tagged.mp3", song));

    const SongTags tags = readSongTags(folder / "tagged.mp3");
    EXPECT_EQ(tags.title, "Caf\xC3\xA9 \xE2\x98\x95");
    EXPECT_EQ(tags.artist, "Se\xC3\xB1or");
    EXPECT_EQ(tags.album, "Caf\xC3\xA9 Album");
    EXPECT_NEAR(tags.seconds, 2.0, 0.05);
    EXPECT_EQ(tags.art.mimeType, "image/jpeg");
    EXPECT_EQ(tags.art.bytes, jpeg);
}

TEST(SongTags, FlacHasItsCommentsLengthAndFrontCover) {
    mp3::TempFolder folder;
    const Bytes png = makePicture(folder / "back.png", "blue");
    const Bytes jpeg = makePicture(folder / "front.jpg", "green");
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(jpeg.empty());
    ASSERT_TRUE(songs::writeWav(folder / "song.wav", 1.5, mp3::sine(440, 0.5)));
    ASSERT_TRUE(run("flac --silent --tag=TITLE='Bad X byte' --tag=artist='Lower Case Key' --tag=ALBUM='An Album' "
                    "--picture='4||||" + folder / "back.png" + "' --picture='3||||" + folder / "front.jpg" + "' -o '" +
                    folder / "song.flac" + "' '" + folder / "song.wav" + "'"));
    // flac writes only UTF-8; a tagger may not: one byte that is none, in place.
    Bytes song = readBytes(folder / "song.flac");
    const std::string placeholder = "Bad X byte";
    const auto at = std::search(song.begin(), song.end(), placeholder.begin(), placeholder.end());
    ASSERT_NE(at, song.end());
    at[4] = 0xFF;
    ASSERT_TRUE(writeBytes(folder / "song.flac", song));
    const SongTags tags = readSongTags(folder / "song.flac");
    EXPECT_EQ(tags.title, "Bad \xEF\xBF\xBD byte");
    EXPECT_EQ(tags.artist, "Lower Case Key");
    EXPECT_EQ(tags.album, "An Album");
    EXPECT_NEAR(tags.seconds, 1.5, 0.05);
    EXPECT_EQ(tags.art.mimeType, "image/jpeg");
    EXPECT_EQ(tags.art.bytes, jpeg);
}

// Ogg keeps its comments on the stream, MP4 in the container.
TEST(SongTags, OggOpusAndM4aHaveTheirTextAndLength) {
    mp3::TempFolder folder;
    ASSERT_TRUE(songs::writeWav(folder / "song.wav", 2.0, mp3::sine(440, 0.5)));
    const std::string wav = "'" + folder / "song.wav" + "' ";
    const std::pair<const char*, std::string> made[] = {
        {"song.ogg", "oggenc --quiet -t 'A Title' -a 'An Artist' -l 'An Album' -o '" + folder / "song.ogg" + "' " + wav},
        {"song.opus",
         "opusenc --quiet --title 'A Title' --artist 'An Artist' --album 'An Album' " + wav + "'" + folder / "song.opus" + "'"},
        {"song.m4a", "ffmpeg -v error -y -i " + wav +
                         "-c:a aac -metadata title='A Title' -metadata artist='An Artist' -metadata album='An Album' '" +
                         folder / "song.m4a" + "'"},
    };
    for (const auto& [name, command] : made) {
        ASSERT_TRUE(run(command)) << name;
        const SongTags tags = readSongTags(folder / name);
        EXPECT_EQ(tags.title, "A Title") << name;
        EXPECT_EQ(tags.artist, "An Artist") << name;
        EXPECT_EQ(tags.album, "An Album") << name;
        EXPECT_NEAR(tags.seconds, 2.0, 0.05) << name;
        EXPECT_TRUE(tags.art.bytes.empty()) << name;
    }
}

TEST(SongTags, DamagedAndMissingFilesHaveNone) {
    mp3::TempFolder folder;
    std::vector<std::string> files = mp3::writeHostileFiles(folder.path());
    for (const char* ending : {".flac", ".ogg", ".opus", ".m4a", ".aac", ".wav"}) {
        const std::vector<std::string> copies = songs::writeHostileCopies(folder.path(), ending);
        files.insert(files.end(), copies.begin(), copies.end());
    }
    ASSERT_GT(files.size(), 200u);
    for (const std::string& path : files) expectNoTags(readSongTags(path), path);

    // A tag that claims 256 MB in front of a real song is not read.
    ASSERT_TRUE(mp3::write(folder / "plain.mp3", 1.0, mp3::sine(440, 0.5)));
    Bytes song{'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 'T', 'I', 'T', '2'};
    const Bytes audio = readBytes(folder / "plain.mp3");
    song.insert(song.end(), audio.begin(), audio.end());
    ASSERT_TRUE(writeBytes(folder / "huge-tag.mp3", song));
    expectNoTags(readSongTags(folder / "huge-tag.mp3"), "huge-tag.mp3");

    expectNoTags(readSongTags(folder / "missing.flac"), "missing.flac");
    expectNoTags(readSongTags(folder.path()), "a folder");
}
