#pragma once
// A song's own MP3 frames, or the packets of another kind of song, as a
// video's sound track.
#include <cstdint>

#include "video/sound_encoding.h"
#include "video/mp3_frames.h"
#include "video/song_packets.h"
#include "video/video_file.h"

// The track of `frames`, `samples` long from the song's first sample. The
// frames are read as the video takes them, so they must outlive the track.
AudioTrack songTrack(Mp3Frames& frames, std::int64_t samples);

// The same for the packets of the other kinds.
AudioTrack songTrack(SongPackets& packets, std::int64_t samples);

// The same for a song encoded once to AAC.
AudioTrack songTrack(SoundEncoding& encoding, std::int64_t samples);
