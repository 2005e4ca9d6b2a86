#pragma once
// A song file opened with FFmpeg's demuxer for the one container its name
// promises, read through our own buffered reader (FFmpeg opens nothing by
// name, so no protocol and no other file can be reached from inside a
// file), with its music stream picked and every other stream discarded.
// A song whose next tens of megabytes (or a megabyte of zeros) hold nothing
// to play has ended.
#include <cstdint>
#include <string>

#include "decoding/buffered_file.h"

struct AVCodec;
struct AVFormatContext;
struct AVIOContext;
struct AVStream;

class FfmpegInput {
public:
    FfmpegInput() = default;
    ~FfmpegInput();
    FfmpegInput(const FfmpegInput&) = delete;
    FfmpegInput& operator=(const FfmpegInput&) = delete;

    // `container`: FFmpeg's name of the demuxer. False when the file is not
    // such a file with a stream of music in it, with why() telling the user
    // why.
    bool open(const std::string& path, const char* container);
    const Problem& why() const { return problem; }

    AVFormatContext* format() const { return context; }
    AVStream* stream() const;
    int streamIndex() const { return index; }
    const AVCodec* decoder() const { return codec; }

    // Sound came out of what was read: the reader may read as far again.
    void soundFound() { bytesWithoutSound = zerosWithoutSound = 0; }
    // The demuxer was moved: what was cut short there may be read again.
    void moved() {
        soundFound();
        cutShort = false;
    }

private:
    bool openContainer(const char* container);
    void endAtTheSound();
    static int readFile(void* input, std::uint8_t* out, int bytes);
    static std::int64_t seekFile(void* input, std::int64_t offset, int whence);

    Problem problem;
    BufferedFile file;
    std::int64_t bytesWithoutSound = 0;
    std::int64_t zerosWithoutSound = 0;  // read in stretches of nothing but zeros
    bool cutShort = false;               // the file has read as ended before its end
    AVIOContext* io = nullptr;
    AVFormatContext* context = nullptr;
    int index = -1;
    const AVCodec* codec = nullptr;
};
