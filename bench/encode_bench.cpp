#include "bench/encode_bench.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "bench/cpu_time.h"
#include "tools/mp3_maker.h"
#include "video/encoder_choice.h"

namespace {
constexpr double kSongSeconds = 10;
constexpr int kSide = 1080, kFps = 60;

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Run {
    double wall = -1, cpu = 0;
    double allBusy = 0;  // the share of the cores busy with anything, this run's or others'
};

// The machine's busy and all CPU ticks so far, from /proc/stat's first line.
std::pair<double, double> machineTicks() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    const double busy = user + nice + system + irq + softirq + steal;
    return {busy, busy + idle + iowait};
}

// The whole command's wall time and the CPU time of it and its children;
// on a shared machine, others' work shows as the difference to all busy.
Run timed(const std::string& command) {
    Run run;
    const auto [busyBefore, allBefore] = machineTicks();
    const double cpuBefore = childrenCpuSeconds(), start = wallSeconds();
    if (std::system(command.c_str()) != 0) return run;
    run.wall = wallSeconds() - start;
    run.cpu = childrenCpuSeconds() - cpuBefore;
    const auto [busyAfter, allAfter] = machineTicks();
    run.allBusy = (busyAfter - busyBefore) / std::max(1.0, allAfter - allBefore);
    return run;
}

// Every picture of `video`'s video stream, decoded: YUV 4:2:0 as the
// encoder takes it, so the encoder alone does no conversion.
std::vector<AVFrame*> decodedPictures(const std::string& video) {
    std::vector<AVFrame*> pictures;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, video.c_str(), nullptr, nullptr) < 0) return pictures;
    avformat_find_stream_info(input, nullptr);
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    AVCodecContext* decoder = stream >= 0 ? avcodec_alloc_context3(codec) : nullptr;
    AVPacket* packet = av_packet_alloc();
    if (decoder != nullptr && avcodec_parameters_to_context(decoder, input->streams[stream]->codecpar) >= 0 &&
        avcodec_open2(decoder, codec, nullptr) >= 0) {
        auto drain = [&] {
            for (AVFrame* frame = av_frame_alloc(); avcodec_receive_frame(decoder, frame) == 0;
                 frame = av_frame_alloc()) {
                pictures.push_back(frame);
            }
        };
        while (av_read_frame(input, packet) >= 0) {
            if (packet->stream_index == stream && avcodec_send_packet(decoder, packet) >= 0) drain();
            av_packet_unref(packet);
        }
        avcodec_send_packet(decoder, nullptr);
        drain();
    }
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&input);
    return pictures;
}

// Wall seconds the encoder takes for `pictures` at the quality's settings,
// as a render sets it up; negative when it cannot.
double encoderAloneSeconds(const std::vector<AVFrame*>& pictures, Quality quality) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName(VideoCodec::H264));
    AVCodecContext* encoder = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
    if (encoder == nullptr || pictures.empty()) return -1;
    encoder->width = pictures[0]->width;
    encoder->height = pictures[0]->height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = AVRational{1, kFps};
    encoder->framerate = AVRational{kFps, 1};
    encoder->gop_size = 2 * kFps;
    chooseEncoderSettings(encoder, VideoCodec::H264, quality, 0);
    AVPacket* packet = av_packet_alloc();
    double seconds = -1;
    if (avcodec_open2(encoder, codec, nullptr) >= 0) {
        const double start = wallSeconds();
        std::int64_t pts = 0;
        auto drain = [&] {
            while (avcodec_receive_packet(encoder, packet) == 0) av_packet_unref(packet);
        };
        for (AVFrame* picture : pictures) {
            picture->pts = pts++;
            picture->pict_type = AV_PICTURE_TYPE_NONE;
            avcodec_send_frame(encoder, picture);
            drain();
        }
        avcodec_send_frame(encoder, nullptr);
        drain();
        seconds = wallSeconds() - start;
    }
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    return seconds;
}

Quality qualityNamed(const std::string& name) {
    return name == "draft" ? Quality::Draft : name == "best" ? Quality::Best : Quality::Good;
}
}  // namespace

void runEncodeBenchmarks(const char* vizBinary, int qualityCount, char** qualities) {
    av_log_set_level(AV_LOG_ERROR);
    std::vector<std::string> names = {"draft", "good", "best"};
    if (qualityCount > 0) names.assign(qualities, qualities + qualityCount);
    mp3::TempFolder folder;
    const std::string song = folder / "song.mp3";
    mp3::write(song, kSongSeconds, mp3::bursts({{0.5, 3}, {4, 6}, {7, 9.5}}, mp3::whiteNoise(0.5)));
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (const std::string& name : names) {
        const std::string video = folder / (name + ".mp4");
        // With no display, as on a server: the render brings its own.
        const Run render = timed("env -u DISPLAY '" + std::string(vizBinary) + "' --render '" + video + "' '" + song +
                                 "' --scene 3 --fps 60 --size 1080x1080 --quality " + name);
        if (render.wall < 0) {
            std::printf("render at %s quality failed\n", name.c_str());
            continue;
        }
        std::vector<AVFrame*> pictures = decodedPictures(video);
        const double alone = encoderAloneSeconds(pictures, qualityNamed(name));
        const std::size_t count = pictures.size();
        for (AVFrame*& picture : pictures) av_frame_free(&picture);
        std::printf("render, tunnel, 1080x1080 at 60 fps, %.0f s song, %-5s: %6.2f s wall  %5.2f x real time  "
                    "%3.0f %% of %u cores busy rendering (%3.0f %% with everything else)\n",
                    kSongSeconds, name.c_str(), render.wall, kSongSeconds / render.wall,
                    100 * render.cpu / render.wall / cores, cores, 100 * render.allBusy);
        if (alone > 0) {
            std::printf("  x264 alone, the same %zu pictures from memory (YUV, converted): %6.2f s   "
                        "render / x264 alone: %5.2f\n",
                        count, alone, render.wall / alone);
        }
        std::fflush(stdout);
    }
}
