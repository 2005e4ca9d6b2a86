#pragma once
// What a song file says about itself: its title, artist and album, its
// length and its cover picture, for the caption and the desktop's media
// controls. MP3s through mpg123 (ID3v2, else ID3v1), the other kinds
// through FFmpeg's demuxers.
#include <string>
#include <vector>

struct CoverArt {
    std::string mimeType;  // image/jpeg or image/png; empty without a picture
    std::vector<unsigned char> bytes;
};

struct SongTags {
    // Valid UTF-8; empty where the file does not say.
    std::string title, artist, album;
    double seconds = 0;  // 0 when unknown
    CoverArt art;
};

// Never throws: a file that cannot be read, or is damaged, gives what could
// be read of it, empty tags at worst. The front cover is preferred where a
// file holds several pictures.
SongTags readSongTags(const std::string& path);
