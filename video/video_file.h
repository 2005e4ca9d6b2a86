#pragma once
// A video of rendered pictures with a song's own sound: H.264 (libx264) in
// MP4, or in Matroska for a name ending in .mkv. The sound's packets are
// copied, not re-encoded, so it is bit-exact; the container says which of
// the decoded samples come before the song starts, so a player presents the
// sound at time t that the pictures were drawn for. The file is written
// under a name of its own beside the target and moved into place only when
// complete. Pictures are converted and encoded on a thread of their own
// while the next one is drawn.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "base/problem.h"
#include "video/partial_file.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// Frames a second as a fraction: 30000/1001 is NTSC's 29.97.
struct FrameRate {
    int numerator = 60;
    int denominator = 1;
    double perSecond() const { return static_cast<double>(numerator) / denominator; }
};

struct AVCodecParameters;

// The song's sound, packet by packet.
struct AudioTrack {
    enum class Codec { Mp1, Mp2, Mp3 };
    Codec codec = Codec::Mp3;
    // Set for the other kinds of song: their codec and its set-up, copied
    // (and `codec` is not used).
    const AVCodecParameters* copied = nullptr;
    int rate = 0;
    int channels = 0;
    // Samples a decoder gives from the first packet on before the song's
    // time 0 (an encoder's priming): a player is told to skip them.
    std::int64_t leadingSamples = 0;
    // The sound's length from time 0; whatever the packets hold past it is
    // cut off.
    std::int64_t samples = 0;
    // The next packet's bytes and the samples it decodes to; false after the
    // last.
    std::function<bool(std::vector<unsigned char>& packet, int& samples)> nextPacket;
};

class VideoFile {
public:
    struct Settings {
        std::string path;  // the video to write: .mp4 or .mkv
        int width = 0, height = 0;
        FrameRate fps;
        AudioTrack audio;
    };

    VideoFile() = default;
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // The container for a file name, nullptr for one this does not write.
    static const char* containerFor(const std::string& path);

    // Each returns "" on success, else a one-line reason.
    Problem open(const Settings& settings);
    // Where to put the next picture: `width` x `height` BGRA pixels, bottom
    // row first (as glReadPixels gives them). Waits while the encoder is
    // behind.
    unsigned char* nextPicture();
    // Hands that picture to the encoder.
    Problem addPicture();
    // Encodes what is pending, adds the rest of the sound, and moves the
    // file into place.
    Problem finish();

private:
    void encodeLoop(std::stop_token stop);
    void stopEncoder();
    Problem encodeCaught(const unsigned char* bgra);
    Problem encodePicture(const unsigned char* bgra);
    Problem openVideoStream();
    Problem openAudioStream();
    Problem openConverter();
    Problem encode(AVFrame* frame);
    Problem copyAudioUntil(double seconds);
    Problem write(AVPacket* packet, AVStream* stream, int timeBaseNum, int timeBaseDen, std::int64_t shift);

    Settings settings;
    PartialFile partial;

    // The sound's position: samples handed to the file so far, counted from
    // the first packet's first sample.
    std::int64_t audioPosition = 0;
    std::vector<unsigned char> pendingAudio;  // read ahead, not yet due
    int pendingSamples = 0;
    bool audioDone = false;
    // Matroska keeps packets of no sound, such as the headers a chained Ogg
    // file's next part starts with, for players' decoders as for ours; an
    // MP4 takes no two packets at one time, and its kinds need none.
    bool keepSilentPackets = false;
    // Matroska has no way to say "skip the first samples" for MP3 here: the
    // pictures start that much later instead, in the video stream's units.
    std::int64_t videoShift = 0;
    std::int64_t audioShift = 0;  // in samples

    AVFormatContext* output = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVCodecContext* encoder = nullptr;
    AVFrame* picture = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* converter = nullptr;
    std::int64_t framesAdded = 0;

    // Two pictures: one drawn into while the other is encoded.
    std::array<std::vector<unsigned char>, 2> pictures;
    int drawing = 0;       // the picture nextPicture gives
    int queued = -1;       // a picture waiting for the encoder, or -1
    Problem encoderProblem;
    std::mutex mutex;
    std::condition_variable_any changed;
    std::jthread encoderThread;
};
