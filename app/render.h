#pragma once
// `viz --render`: the pictures viz draws while a song plays, frame by frame
// at a fixed rate, into a video file with the song's own audio. Frame k is
// drawn with a step of 1/fps and the loudness heard at k/fps, so picture and
// sound cannot drift; no clock runs, so it goes as fast as the machine can.
#include <string>

#include "base/problem.h"
#include "video/video_file.h"

// Samples a pixel for smooth edges, in videos and in the window; in the
// window on a software rasteriser, none unless asked (four cost 80 to 90 %
// of the frame rate at 1920x1080 there, below 60 a second).
constexpr int kDefaultSamples = 4;
constexpr int kSamplesUnasked = -1;

struct RenderRequest {
    std::string output;  // .mp4, .mkv or .webm
    std::string song;
    int scene = 3;
    std::string shader;  // with the shader scene: its file
    FrameRate fps;  // 60 a second
    int width = 1080, height = 1080;
    double seconds = 0;  // 0: the whole song; past its end, pictures of silence
    int samples = kDefaultSamples;  // 0 or 1: none
    bool showsProgress = true;  // on a terminal
    Quality quality = Quality::Good;
    VideoCodec codec = VideoCodec::Automatic;  // H.264, or VP9 for a .webm
    long long bitrate = 0;  // bits a second; 0: the quality's constant quality
};

// Renders; on a problem nothing is left at the output.
Problem renderVideo(const RenderRequest& request);

// The progress line: frames done of all, speed against real time, and the
// time left; it fits an 80-column terminal.
std::string progressLine(long long done, long long total, double speed, long long secondsLeft);
