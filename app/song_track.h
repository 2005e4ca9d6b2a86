#pragma once
// A song's own MP3 frames as a video's sound track.
#include <cstdint>

#include "audio/mp3_frames.h"
#include "video/video_file.h"

// The track of `frames`, `samples` long from the song's first sample. The
// frames are read as the video takes them, so they must outlive the track.
AudioTrack songTrack(Mp3Frames& frames, std::int64_t samples);
