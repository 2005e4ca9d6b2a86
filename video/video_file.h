#pragma once
// A video of rendered pictures with a song's own sound: H.264 (libx264) in
// MP4, or in Matroska for a name ending in .mkv; VP9 (or AV1) in WebM for a
// name ending in .webm. The sound's packets are copied, not re-encoded, so
// it is bit-exact; the container says which of the decoded samples come
// before the song starts, so a player presents the sound at time t that the
// pictures were drawn for. The file is written under a name of its own
// beside the target and moved into place only when complete. While the next
// picture is drawn, the ones before it are converted (in bands, on threads
// of their own) and encoded (on another).
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "base/problem.h"
#include "video/encoder_choice.h"
#include "video/partial_file.h"
#include "video/sliced_converter.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

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
        std::string path;  // the video to write: .mp4, .mkv or .webm
        int width = 0, height = 0;
        FrameRate fps;
        AudioTrack audio;
        Quality quality = Quality::Good;
        VideoCodec codec = VideoCodec::Automatic;
        std::int64_t bitrate = 0;  // bits a second; 0: the quality's constant quality
    };

    VideoFile() = default;
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // The container for a file name, nullptr for one this does not write.
    static const char* containerFor(const std::string& path);
    // The codec a video of that name gets when none is asked for.
    static VideoCodec codecFor(const std::string& path, VideoCodec asked);

    // Each returns "" on success, else a one-line reason.
    Problem open(const Settings& settings);
    // Where to put the next picture: `width` x `height` BGRA pixels, bottom
    // row first (as glReadPixels gives them).
    unsigned char* nextPicture();
    // Hands that picture on to be converted and encoded; waits while they
    // are behind.
    Problem addPicture();
    // Encodes what is pending, adds the rest of the sound, and moves the
    // file into place.
    Problem finish();

private:
    void convertLoop(std::stop_token stop);
    void encodeLoop(std::stop_token stop);
    void stopThreads();
    Problem converted(int frame);
    Problem caught(const std::function<Problem()>& work);
    Problem encodePicture(AVFrame* frame);
    Problem openVideoStream();
    Problem openAudioStream();
    Problem openPictures();
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
    AVPacket* packet = nullptr;
    std::int64_t framesAdded = 0;

    // Pictures go from drawn (BGRA) to converted (YUV) to encoded, each
    // stage on a thread of its own, a few of each in hand so none waits
    // for a moment's hold-up in another. A buffer is in one queue at a
    // time, or in the hands of one stage.
    static constexpr int kDrawnPictures = 3, kConvertedPictures = 3;
    std::array<std::vector<unsigned char>, kDrawnPictures> pictures;
    std::array<AVFrame*, kConvertedPictures> frames{};
    int drawing = 0;  // the picture nextPicture gives
    std::deque<int> freePictures, drawnPictures;  // indices into `pictures`
    std::deque<int> freeFrames, convertedFrames;  // indices into `frames`
    bool converting = false, encoding = false;  // a stage holds a buffer
    SlicedConverter converter;
    Problem encoderProblem;
    std::mutex mutex;
    std::condition_variable_any changed;
    std::jthread converterThread, encoderThread;
};