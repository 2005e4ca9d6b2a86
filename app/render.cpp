#include "app/render.h"

#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "app/figures.h"
#include "app/frame.h"
#include "app/frame_drawer.h"
#include "app/frame_source.h"
#include "app/scene_table.h"
#include "base/geometry.h"
#include "base/messages.h"
#include "base/random.h"
#include "decoding/song_formats.h"
#include "media/song_levels.h"
#include "media/song_names.h"
#include "platform/render_window.h"
#include "video/song_track.h"

namespace {
constexpr std::uint32_t kRenderSeed = 1;  // the same pictures every time

// Frames done, video seconds per wall second and the time left, on one line
// of the terminal; silent when standard error is not one.
class ProgressBar {
public:
    ProgressBar(long long frames, double fps, bool wanted)
        : total(frames), fps(fps), shown(wanted && isatty(STDERR_FILENO) != 0) {}

    void update(long long done) {
        if (!shown) return;
        const double elapsed = secondsSince(start);
        if (done < total && elapsed - lastDrawn < 0.2) return;
        lastDrawn = elapsed;
        const double speed = static_cast<double>(done) / fps / std::max(elapsed, 1e-6);
        const auto left = static_cast<long long>(static_cast<double>(total - done) / fps / std::max(speed, 1e-6));
        std::fprintf(stderr, "\r%s", progressLine(done, total, speed, left).c_str());
        std::fflush(stderr);
    }

    void finish() {
        if (shown) std::fprintf(stderr, "\n");
    }

private:
    using Clock = std::chrono::steady_clock;
    static double secondsSince(Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    }
    const long long total;
    const double fps;
    const bool shown;
    const Clock::time_point start = Clock::now();
    double lastDrawn = -1;
};

// The frames of a video: frame k is k / fps into the song, with the
// loudness heard then. The pointer rests at the window's centre. Figures
// that work in window pixels (the paint canvas) work in those of the design
// window, scaled to the picture: the 500 x 500 composition at the video's
// size. The selection screen names the song and steps nowhere.
class RenderSource : public FrameSource {
public:
    RenderSource(SongLevels& levels, FrameRate fps, std::string songName)
        : levels(levels), fps(fps), songName(std::move(songName)) {}

    Frame nextFrame(bool) override {
        const double seconds = static_cast<double>(index++) * fps.denominator / fps.numerator;
        Frame frame;
        frame.frameTime = static_cast<float>(seconds);
        frame.frameDelta = static_cast<float>(1.0 / fps.perSecond());
        frame.heard = levels.loudnessAt(seconds);
        frame.level = frame.heard.level;
        frame.sampleRate = levels.sampleRate();
        windowToScene(frame.mouseX, frame.mouseY, frame.mousePoint);
        return frame;
    }
    void keepGoing(bool) override {}
    void step(int) override {}
    std::string selectionName() const override { return songName; }
    bool takeAdvance(std::string&) override { return false; }
    bool soundGoing() const override { return false; }  // no one is watching

private:
    SongLevels& levels;
    const FrameRate fps;
    const std::string songName;
    long long index = 0;
};

// Writing the video over the song would destroy the song before it is read.
Problem sameFileProblem(const RenderRequest& request) {
    struct stat output {}, song {};
    if (stat(request.output.c_str(), &output) != 0 || stat(request.song.c_str(), &song) != 0) return {};
    if (output.st_dev != song.st_dev || output.st_ino != song.st_ino) return {};
    return "'" + request.output + "' is the song itself: the video would replace it";
}

}  // namespace

std::string progressLine(long long done, long long total, double speed, long long secondsLeft) {
    constexpr int kWidth = 20;
    const int filled = static_cast<int>(done * kWidth / std::max(total, 1LL));
    char line[160];
    std::snprintf(line, sizeof line, "[%.*s%*s] %lld/%lld frames  %.1fx  %lld:%02lld left ", filled,
                  "====================", kWidth - filled, "", done, total, std::min(speed, 9999.0),
                  secondsLeft / 60, secondsLeft % 60);
    return line;
}

Problem renderVideo(const RenderRequest& request) {
    if (Problem problem = sameFileProblem(request)) return problem;
    SongLevels levels;
    // The song's own sound, read as the video takes it: they outlive the track.
    Mp3Frames frames;
    SongPackets packets;
    SoundEncoding encoding;
    const bool mp3 = isMp3Name(request.song);
    // Only as much of the song is measured as the video shows.
    const double shown = request.seconds > 0 ? request.seconds : std::numeric_limits<double>::infinity();
    if (!levels.open(request.song, shown)) return "'" + request.song + "': " + levels.why().message();
    if (!(mp3 ? frames.open(request.song) : packets.open(request.song))) {
        return "cannot play '" + request.song + "'";
    }
    // What the container cannot hold as it is, it gets encoded once: AAC
    // for an MP4, Opus for a WebM.
    const char* container = VideoFile::containerFor(request.output);
    const bool webm = container != nullptr && std::string(container) == "webm";
    const bool mp4 = container != nullptr && std::string(container) == "mp4";
    const bool encoded = webm ? mp3 || !packets.fitsWebm() : !mp3 && mp4 && !packets.fitsMp4();
    if (encoded && !encoding.open(request.song, webm ? SoundEncoding::Codec::Opus : SoundEncoding::Codec::Aac)) {
        return "cannot encode the sound of '" + request.song + "' for " + (webm ? "a WebM" : "an MP4");
    }
    if (mp3 && !encoded && frames.freeFormat()) {
        return "'" + request.song + "' is a free-format MP3, which video players cannot decode";
    }
    const double seconds = request.seconds > 0 ? request.seconds : levels.seconds();
    const auto frameCount = static_cast<long long>(std::ceil(seconds * request.fps.perSecond() - 1e-9));

    VideoFile video;
    VideoFile::Settings settings;
    settings.path = request.output;
    settings.width = request.width;
    settings.height = request.height;
    settings.fps = request.fps;
    settings.quality = request.quality;
    settings.codec = request.codec;
    settings.bitrate = request.bitrate;
    // The sound from the song's first sample to the end of the video or of
    // the song, whichever comes first.
    const auto videoSamples = static_cast<std::int64_t>(std::llround(seconds * levels.sampleRate()));
    const std::int64_t soundSamples = std::min(levels.frames(), videoSamples);
    // An encoding may be at a rate of its own (Opus's 48 kHz).
    const auto encodedSamples =
        encoded ? static_cast<std::int64_t>(std::llround(static_cast<double>(soundSamples) * encoding.rate() /
                                                         levels.sampleRate()))
                : soundSamples;
    settings.audio = encoded ? songTrack(encoding, encodedSamples)
                     : mp3   ? songTrack(frames, soundSamples)
                             : songTrack(packets, soundSamples);
    if (Problem problem = video.open(settings)) return problem;

    RenderWindow window;
    if (Problem problem = window.open(request.width, request.height, request.samples)) return problem;
    prepareFigures();
    // Figures of its own, from a seed of its own: the same pictures every time.
    seedRandom(kRenderSeed);
    Figures figures;
    if (request.scene == kShaderScene) {
        figures.shaderScenes.tellsProblems = false;  // the render's one line does
        figures.shaderScenes.openFile(request.shader);
        figures.shaderScenes.step(1);
    }
    RenderSource source(levels, request.fps, displayName(absolutePath(request.song)));
    SongCaption noCaption;  // one song: nothing advances

    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ProgressBar progress(frameCount, request.fps.perSecond(), request.showsProgress);
    // Each picture is read back once the next has been drawn, while it was
    // rasterised: drawing and rasterising overlap.
    const auto readOldest = [&] {
        window.readOldestPicture(request.width, request.height, video.nextPicture());
        return video.addPicture();
    };
    for (long long index = 0; index < frameCount; ++index) {
        window.beginPicture();
        drawFrame(source.nextFrame(isMenuScene(request.scene)), request.scene, figures, source, {}, noCaption);
        window.endPicture();
        // A shader scene that cannot be built, or would take too long, makes no video.
        if (std::string problem = figures.shaderScenes.problem(); !problem.empty()) {
            std::replace(problem.begin(), problem.end(), '\n', ' ');
            return problem;
        }
        if (window.unreadPictures() >= window.picturesInHand()) {
            if (Problem problem = readOldest()) return problem;
        }
        progress.update(index + 1);
    }
    while (window.unreadPictures() > 0) {
        if (Problem problem = readOldest()) return problem;
    }
    window.allPicturesTaken();
    progress.finish();
    return video.finish();
}
