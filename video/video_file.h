#pragma once
// A video of rendered pictures with a song's own MP3 stream: H.264 (libx264)
// in MP4, or in Matroska for a name ending in .mkv. The audio packets are
// copied, not re-encoded, so the sound is bit-exact. The file is written
// under a temporary name beside the target and moved into place only when
// complete: a failure leaves nothing behind. Pictures are converted and
// encoded on a thread of their own while the next one is drawn.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

class VideoFile {
public:
    struct Settings {
        std::string path;         // the video to write: .mp4 or .mkv
        std::string audioSource;  // the MP3 whose packets are copied in
        int width = 0, height = 0;
        int fps = 0;
        double seconds = 0;  // audio from this time on is left out; 0: none is
    };

    VideoFile() = default;
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // The container for a file name, nullptr for one this does not write.
    static const char* containerFor(const std::string& path);

    // Each returns "" on success, else a one-line reason.
    std::string open(const Settings& settings);
    // Where to put the next picture: `width` x `height` BGRA pixels, bottom
    // row first (as glReadPixels gives them). Waits while the encoder is
    // behind.
    unsigned char* nextPicture();
    // Hands that picture to the encoder.
    std::string addPicture();
    // Encodes what is pending, adds the rest of the audio, and moves the
    // file into place.
    std::string finish();

private:
    void encodeLoop();
    std::string encodePicture(const unsigned char* bgra);
    std::string openAudioSource();
    std::string openVideoStream(const char* container);
    std::string encode(AVFrame* frame);
    std::string copyAudioUntil(double seconds);
    std::string write(AVPacket* packet, AVStream* stream, int timeBaseNum, int timeBaseDen);

    Settings settings;
    std::string temporaryPath;
    bool finished = false;
    std::int64_t framesAdded = 0;

    AVFormatContext* audioInput = nullptr;
    int audioInputStream = -1;
    AVPacket* pendingAudio = nullptr;  // read ahead, not yet due
    bool audioDone = false;

    AVFormatContext* output = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVCodecContext* encoder = nullptr;
    AVFrame* picture = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* converter = nullptr;

    // Two pictures: one drawn into while the other is encoded.
    std::array<std::vector<unsigned char>, 2> pictures;
    int drawing = 0;       // the picture nextPicture gives
    int queued = -1;       // a picture waiting for the encoder, or -1
    bool closing = false;  // no more pictures will come
    std::string encoderProblem;
    std::mutex mutex;
    std::condition_variable changed;
    std::thread encoderThread;
};
