// Plays a rendered video back as a player does, through FFmpeg's command-line
// tools or through GStreamer (edit lists, codec delay and stream start times
// honoured by them, not by us), and times the pictures against the sound:
// for each burst of noise in the decoded sound, the milliseconds from its
// onset to the moment the decoded pictures' red is halfway up its rise.
// Usage: viz_played_sync ffmpeg|gstreamer VIDEO [LIMIT_MS [END_LIMIT_MS]]
// With LIMIT_MS it fails unless bursts were found and every offset is
// within plus or minus LIMIT_MS; with END_LIMIT_MS, unless the sound and the
// pictures end within that of each other too.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/burst_timing.h"
#include "tools/server_control.h"

namespace {
struct Picture {
    double seconds;
    double red;  // 0 to 255
};

struct PlayedBack {
    int rate = 0;
    double soundStart = 0;  // when the first sample is heard
    std::vector<float> sound;  // mono
    std::vector<Picture> pictures;
};

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// FFmpeg's own player path: the sound padded from time 0, so sample i is
// heard at i / rate; each picture with the time the decoder gives it.
PlayedBack throughFfmpeg(const std::string& video) {
    PlayedBack played;
    played.rate = std::atoi(commandOutput("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate "
                                          "-of csv=p=0 " + quoted(video)).c_str());
    if (std::FILE* pipe = popen(("ffmpeg -v error -i " + quoted(video) +
                                 " -map 0:a:0 -af aresample=async=1:first_pts=0 -ac 1 -f f32le -").c_str(), "r")) {
        float sample = 0;
        while (std::fread(&sample, sizeof sample, 1, pipe) == 1) played.sound.push_back(sample);
        pclose(pipe);
    }
    char log[] = "/tmp/viz-played-sync-XXXXXX";
    const int descriptor = mkstemp(log);
    if (descriptor < 0) return played;
    std::vector<double> reds;
    if (std::FILE* pipe = popen(("ffmpeg -v info -nostats -i " + quoted(video) +
                                 " -map 0:v:0 -fps_mode passthrough -vf scale=1:1,showinfo -f rawvideo"
                                 " -pix_fmt rgb24 - 2>" + log).c_str(), "r")) {
        unsigned char rgb[3];
        while (std::fread(rgb, 1, 3, pipe) == 3) reds.push_back(rgb[0]);
        pclose(pipe);
    }
    const std::string shown = commandOutput(std::string("cat ") + log);
    std::remove(log);
    std::size_t at = 0;
    for (const double red : reds) {
        at = shown.find("pts_time:", at);
        if (at == std::string::npos) break;
        at += 9;
        played.pictures.push_back({std::atof(shown.c_str() + at), red});
    }
    return played;
}

// When a sample's buffer is presented: its running time, what sinks
// synchronise on.
double presented(GstSample* sample) {
    const GstSegment* segment = gst_sample_get_segment(sample);
    guint64 running = 0;
    const int sign = gst_segment_to_running_time_full(segment, GST_FORMAT_TIME,
                                                      GST_BUFFER_PTS(gst_sample_get_buffer(sample)), &running);
    return sign * static_cast<double>(running) / GST_SECOND;
}

template <typename Take>
void pullAll(GstElement* sink, Take take) {
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            take(sample, map.data, map.size);
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
}

PlayedBack throughGstreamer(const std::string& video) {
    PlayedBack played;
    gst_init(nullptr, nullptr);
    const std::string description =
        "filesrc location=\"" + video + "\" ! decodebin name=d "
        "d. ! queue ! audioconvert ! audio/x-raw,format=F32LE,channels=1 ! appsink name=sound sync=false "
        "d. ! queue ! videoconvert ! videoscale ! video/x-raw,format=RGB,width=1,height=1 "
        "! appsink name=picture sync=false";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (pipeline == nullptr || error != nullptr) return played;
    GstElement* sound = gst_bin_get_by_name(GST_BIN(pipeline), "sound");
    GstElement* picture = gst_bin_get_by_name(GST_BIN(pipeline), "picture");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    bool first = true;
    pullAll(sound, [&](GstSample* sample, const unsigned char* data, std::size_t size) {
        if (first) {
            gst_structure_get_int(gst_caps_get_structure(gst_sample_get_caps(sample), 0), "rate", &played.rate);
            played.soundStart = presented(sample);
            first = false;
        }
        const auto* samples = reinterpret_cast<const float*>(data);
        played.sound.insert(played.sound.end(), samples, samples + size / sizeof(float));
    });
    pullAll(picture, [&](GstSample* sample, const unsigned char* data, std::size_t) {
        played.pictures.push_back({presented(sample), static_cast<double>(data[0])});
    });
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sound);
    gst_object_unref(picture);
    gst_object_unref(pipeline);
    return played;
}

// From the onset, the time the red crosses halfway between the picture
// before the burst and the picture it settles to, between two frames.
bool halfRise(const std::vector<Picture>& pictures, double onset, double& crossing) {
    auto before = std::find_if(pictures.rbegin(), pictures.rend(),
                               [&](const Picture& p) { return p.seconds <= onset - 0.05; });
    auto settled = std::find_if(pictures.begin(), pictures.end(),
                                [&](const Picture& p) { return p.seconds >= onset + 0.1; });
    if (before == pictures.rend() || settled == pictures.end()) return false;
    const double half = (before->red + settled->red) / 2;
    if (settled->red - before->red < 20) return false;  // no rise to time
    for (std::size_t i = 1; i < pictures.size(); ++i) {
        const Picture& low = pictures[i - 1];
        const Picture& high = pictures[i];
        if (high.seconds < onset - 0.1 || high.red <= half) continue;
        crossing = low.seconds + (half - low.red) / (high.red - low.red) * (high.seconds - low.seconds);
        return true;
    }
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ffmpeg|gstreamer VIDEO [LIMIT_MS [END_LIMIT_MS]]\n", argv[0]);
        return 2;
    }
    const std::string player = argv[1];
    const PlayedBack played = player == "gstreamer" ? throughGstreamer(argv[2]) : throughFfmpeg(argv[2]);
    if (played.rate <= 0 || played.sound.empty() || played.pictures.empty()) {
        std::printf("%s decoded no sound or no pictures from %s\n", player.c_str(), argv[2]);
        return 1;
    }
    constexpr float kThreshold = 0.2f;  // above an MP3's pre-echo, below the noise's peaks
    constexpr double kQuietSeconds = 0.2;
    const auto origin = static_cast<std::int64_t>(played.soundStart * 1e9);
    const std::vector<std::int64_t> onsets =
        burstOnsets(played.sound, 0, origin, played.rate, kThreshold, kQuietSeconds);
    const double limit = argc > 3 ? std::atof(argv[3]) : INFINITY;
    int measured = 0, outside = 0;
    for (const std::int64_t onsetNs : onsets) {
        const double onset = onsetNs / 1e9;
        double crossing = 0;
        if (!halfRise(played.pictures, onset, crossing)) continue;
        const double offsetMs = (crossing - onset) * 1000;
        ++measured;
        outside += std::fabs(offsetMs) > limit;
        std::printf("%s: burst at %.3f s, picture minus sound %+.1f ms\n", player.c_str(), onset, offsetMs);
    }
    if (measured == 0) std::printf("%s: no burst to time\n", player.c_str());

    const double soundEnd = played.soundStart + static_cast<double>(played.sound.size()) / played.rate;
    const std::size_t last = played.pictures.size() - 1;
    const double frame = last > 0 ? played.pictures[last].seconds - played.pictures[last - 1].seconds : 0;
    const double picturesEnd = played.pictures[last].seconds + frame;
    std::printf("%s: the sound ends at %.3f s, the pictures at %.3f s\n", player.c_str(), soundEnd, picturesEnd);
    const double endLimit = argc > 4 ? std::atof(argv[4]) : INFINITY;
    const bool endTogether = std::fabs(soundEnd - picturesEnd) * 1000 <= endLimit;
    return measured > 0 && outside == 0 && endTogether ? 0 : 1;
}
