#pragma once
// Which encoder makes a video's pictures, and how hard it works: a quality
// names a speed and a size together, per codec; a bitrate, when given,
// takes the place of the constant quality.
#include <cstdint>

struct AVCodecContext;

enum class Quality { Draft, Good, Best };
enum class VideoCodec { Automatic, H264, Vp9, Av1 };  // Automatic: H.264, or VP9 in WebM

// "draft", "good", "best"; "h264", "vp9", "av1" (Automatic: "").
const char* qualityName(Quality quality);
const char* codecName(VideoCodec codec);

// FFmpeg's name of the encoder for `codec` (not Automatic).
const char* encoderName(VideoCodec codec);

// Sets `encoder`'s options for the quality, or for `bitrate` bits a second
// when it is above 0; before avcodec_open2, after its size is set.
void chooseEncoderSettings(AVCodecContext* encoder, VideoCodec codec, Quality quality, std::int64_t bitrate);
