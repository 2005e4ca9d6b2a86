#include "bench/song_gap_bench.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/mp3_maker.h"
#include "tools/pipe_speaker.h"
#include "tools/ramp_continuity.h"
#include "tools/server_control.h"
#include "tools/song_maker.h"

namespace {
SoundEngine soundEngine;
Playback playback(soundEngine);

using Clock = std::chrono::steady_clock;
constexpr int kRate = PipeSpeaker::kRate;

// Plays the list from its first song as the frame loop does, for `seconds`.
void playFrames(double seconds, const std::function<void(double)>& each) {
    playback.pickSong(0);
    const auto start = Clock::now();
    for (double now = 0; now < seconds; now = std::chrono::duration<double>(Clock::now() - start).count()) {
        playback.settleSongStart();
        each(now);
        if (playback.songHasEnded()) playback.advanceSong();
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    soundEngine.free(playback.streamHandle);
}

// The first heard frame at or after `from` that is not silence.
std::size_t soundFrom(const std::vector<float>& heard, std::size_t from) {
    while (from < heard.size() && heard[from] < 0.1f) ++from;
    return from;
}

void gapsBehindPipe(const mp3::TempFolder& folder, int pipeBytes) {
    const std::string sink = "gap-bench-" + std::to_string(pipeBytes);
    const auto speaker = pipeSinkWithSpeaker(sink, pipeBytes);
    if (!speaker || !speaker->listening()) return;
    moveOurStreamTo(sink);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::string pipe = std::to_string(pipeBytes / 1024) + " KB pipe (" +
                             std::to_string(pipeBytes * 1000 / (4 * kRate)) + " ms)";

    // Automatic: a ramp cut in two, with the next song decoded ahead, and
    // without (it is dropped each frame, so the advance starts it afresh).
    for (const bool ahead : {true, false}) {
        playback.songList = {folder / "first.wav", folder / "second.wav", folder / "quiet.wav"};
        // What the sink wrote: PipeWire's pipe sink falls behind now and
        // then, and the speaker's silence meanwhile is not the program's.
        const std::size_t before = speaker->written().size();
        playFrames(5.0, [&](double) {
            if (!ahead && playback.currentSongIndex == 0) soundEngine.dropNext();
        });
        const std::vector<float> all = speaker->written();
        const RampContinuity ramp = rampContinuity({all.begin() + static_cast<std::ptrdiff_t>(before), all.end()});
        std::printf("song gap, automatic advance, %-16s behind a %s: %6lld frames (%6.1f ms) of silence, %+.1f frames lost\n",
                    ahead ? "decoded ahead" : "started at end", pipe.c_str(), static_cast<long long>(ramp.silentWithin),
                    ramp.silentWithin * 1000.0 / kRate, ramp.framesSkipped);
    }

    // By the user: the next song asked for mid-song, silence before it.
    playback.songList = {folder / "quiet.wav", folder / "first.wav"};
    const std::size_t before = speaker->heard().size();
    std::int64_t askedNs = 0;
    playFrames(2.0, [&](double now) {
        if (askedNs == 0 && now > 1.0) {
            playback.nextSong();
            askedNs = monotonicNanoseconds();
        }
    });
    const std::vector<float> all = speaker->heard();
    const std::size_t heardAt = soundFrom(all, before);
    if (heardAt < all.size()) {
        std::printf("song change by the user, behind a %s: heard %.1f ms after it was asked\n", pipe.c_str(),
                    (speaker->heardAtNs(heardAt) - askedNs) / 1e6);
    }
}
}  // namespace

void runSongGapBenchmarks() {
    mp3::TempFolder folder;
    songs::writeWav(folder / "first.wav", 2.0, rampSignal(4.0));
    songs::writeWav(folder / "second.wav", 2.0, rampSignal(4.0, 2.0));
    songs::writeWav(folder / "quiet.wav", 3.0, mp3::silence());
    soundEngine.initialise();
    for (int pipeBytes : {8192, 65536}) gapsBehindPipe(folder, pipeBytes);
    std::fflush(stdout);
}
