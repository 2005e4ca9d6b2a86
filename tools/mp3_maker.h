#pragma once
// Real MP3 files for tests and benchmarks, encoded by libmp3lame from
// synthesised signals, and the bad files a user's media folder may hold.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/mp3_writer.h"

namespace mp3 {

// A mono signal: the sample at `seconds`; every channel gets the same.
using Signal = std::function<float(double seconds)>;

Signal sine(double hz, double amplitude = 1.0);
Signal whiteNoise(double amplitude = 1.0, std::uint32_t seed = 1);
Signal silence();
// `inside` during [start, end) of each burst, silence elsewhere.
struct Burst {
    double start, end;
};
Signal bursts(std::vector<Burst> times, Signal inside);

struct Options {
    Mp3Format format;
    // An ID3v2 tag in front holding a picture of this many bytes (0: no tag).
    std::size_t pictureBytes = 0;
};

// Writes `seconds` of `signal` to `path` as MP3; false when it could not.
bool write(const std::string& path, double seconds, const Signal& signal,
           const Options& options = {});

// An ID3v2.3 tag with one attached-picture frame of `pictureBytes` bytes.
std::vector<unsigned char> id3TagWithPicture(std::size_t pictureBytes);

// Bad files.
bool writeEmpty(const std::string& path);
bool writeRandomBytes(const std::string& path, std::size_t size, std::uint32_t seed = 7);
// The first `keepBytes` bytes of a real MP3.
bool writeTruncated(const std::string& path, std::size_t keepBytes);
bool writeTagOnly(const std::string& path);
bool makeFolder(const std::string& path);
bool makeFifo(const std::string& path);
// Random bytes that the owner may not read (root still can).
bool writeUnreadable(const std::string& path);

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return root; }
    std::string operator/(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};

}  // namespace mp3
