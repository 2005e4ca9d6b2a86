#include "video/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <limits>

namespace {
// ultrafast: a 1080 x 1080 picture at 60 a second must encode faster than
// real time beside a software renderer on two cores; quality comes from the
// constant rate factor (x264's own default).
constexpr const char* kPreset = "ultrafast";
constexpr const char* kQuality = "23";

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool endsWith(const std::string& text, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}
}  // namespace

const char* VideoFile::containerFor(const std::string& path) {
    if (endsWith(path, ".mp4")) return "mp4";
    if (endsWith(path, ".mkv")) return "matroska";
    return nullptr;
}

VideoFile::~VideoFile() {
    {
        std::lock_guard<std::mutex> guard(mutex);
        closing = true;
    }
    changed.notify_all();
    if (encoderThread.joinable()) encoderThread.join();
    if (converter != nullptr) sws_freeContext(converter);
    av_frame_free(&picture);
    av_packet_free(&packet);
    av_packet_free(&pendingAudio);
    avcodec_free_context(&encoder);
    if (output != nullptr) {
        if (output->pb != nullptr) avio_closep(&output->pb);
        avformat_free_context(output);
    }
    avformat_close_input(&audioInput);
    if (!finished && !temporaryPath.empty()) unlink(temporaryPath.c_str());
}

std::string VideoFile::open(const Settings& wanted) {
    settings = wanted;
    av_log_set_level(AV_LOG_ERROR);  // FFmpeg and x264 report their settings at length otherwise
    const char* container = containerFor(settings.path);
    if (container == nullptr) return "'" + settings.path + "' does not end in .mp4 or .mkv";

    // Beside the target, so the final rename stays on its file system; made
    // here, so an unwritable folder is found before any work is done.
    std::string pattern = settings.path + ".partial-XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) return "cannot write '" + settings.path + "': " + std::strerror(errno);
    // The permissions any new file gets, not mkstemp's private ones.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    close(descriptor);
    temporaryPath = pattern;

    if (std::string problem = openAudioSource(); !problem.empty()) return problem;
    if (std::string problem = openVideoStream(container); !problem.empty()) return problem;

    audioStream = avformat_new_stream(output, nullptr);
    if (audioStream == nullptr) return "cannot add the song's audio";
    const AVStream* source = audioInput->streams[audioInputStream];
    avcodec_parameters_copy(audioStream->codecpar, source->codecpar);
    audioStream->codecpar->codec_tag = 0;  // the container's own tag for MP3
    audioStream->time_base = source->time_base;

    int status = avio_open(&output->pb, temporaryPath.c_str(), AVIO_FLAG_WRITE);
    if (status < 0) return "cannot write '" + settings.path + "': " + ffmpegError(status);
    AVDictionary* options = nullptr;
    // The index first, so a player or an upload can start before the end.
    if (std::strcmp(container, "mp4") == 0) av_dict_set(&options, "movflags", "+faststart", 0);
    status = avformat_write_header(output, &options);
    av_dict_free(&options);
    if (status < 0) return "cannot start '" + settings.path + "': " + ffmpegError(status);

    packet = av_packet_alloc();
    pendingAudio = av_packet_alloc();
    converter = sws_getContext(settings.width, settings.height, AV_PIX_FMT_BGRA, settings.width, settings.height,
                               AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    if (packet == nullptr || pendingAudio == nullptr || converter == nullptr) return "out of memory";
    for (auto& buffer : pictures) buffer.resize(static_cast<std::size_t>(settings.width) * settings.height * 4);
    encoderThread = std::thread(&VideoFile::encodeLoop, this);
    return "";
}

unsigned char* VideoFile::nextPicture() { return pictures[drawing].data(); }

std::string VideoFile::addPicture() {
    std::unique_lock<std::mutex> guard(mutex);
    changed.wait(guard, [this] { return queued < 0 || !encoderProblem.empty(); });
    if (!encoderProblem.empty()) return encoderProblem;
    queued = drawing;
    drawing = 1 - drawing;  // free: the encoder is done with it, or never had it
    changed.notify_all();
    return "";
}

// Converts and encodes each queued picture; the queued one stays taken until
// it is encoded, so the drawer never writes into it meanwhile.
void VideoFile::encodeLoop() {
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
        changed.wait(guard, [this] { return queued >= 0 || closing; });
        if (queued < 0) return;
        guard.unlock();
        const std::string problem = encodePicture(pictures[queued].data());
        guard.lock();
        queued = -1;
        if (!problem.empty()) encoderProblem = problem;
        changed.notify_all();
        if (!problem.empty()) return;
    }
}

std::string VideoFile::openAudioSource() {
    if (avformat_open_input(&audioInput, settings.audioSource.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(audioInput, nullptr) < 0) {
        return "cannot read the audio of '" + settings.audioSource + "'";
    }
    audioInputStream = av_find_best_stream(audioInput, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audioInputStream < 0) return "no audio in '" + settings.audioSource + "'";
    return "";
}

std::string VideoFile::openVideoStream(const char* container) {
    int status = avformat_alloc_output_context2(&output, nullptr, container, temporaryPath.c_str());
    if (status < 0 || output == nullptr) return "cannot make a " + std::string(container) + " file";
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (h264 == nullptr) return "FFmpeg has no libx264 encoder here";
    videoStream = avformat_new_stream(output, nullptr);
    encoder = avcodec_alloc_context3(h264);
    picture = av_frame_alloc();
    if (videoStream == nullptr || encoder == nullptr || picture == nullptr) return "out of memory";

    encoder->width = settings.width;
    encoder->height = settings.height;
    encoder->time_base = AVRational{1, settings.fps};
    encoder->framerate = AVRational{settings.fps, 1};
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;  // what every player takes
    encoder->gop_size = 2 * settings.fps;
    if (output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(encoder->priv_data, "preset", kPreset, 0);
    av_opt_set(encoder->priv_data, "crf", kQuality, 0);
    // A thread a core, not x264's one and a half: the renderer needs the rest.
    encoder->thread_count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    status = avcodec_open2(encoder, h264, nullptr);
    if (status < 0) return "cannot start the H.264 encoder: " + ffmpegError(status);
    videoStream->time_base = encoder->time_base;
    avcodec_parameters_from_context(videoStream->codecpar, encoder);

    picture->format = encoder->pix_fmt;
    picture->width = settings.width;
    picture->height = settings.height;
    if (av_frame_get_buffer(picture, 0) < 0) return "out of memory";
    return "";
}

std::string VideoFile::encodePicture(const unsigned char* bgra) {
    if (av_frame_make_writable(picture) < 0) return "out of memory";
    // GL's rows run bottom to top: start at the last and step backwards.
    const int stride = settings.width * 4;
    const std::uint8_t* rows[1] = {bgra + static_cast<std::ptrdiff_t>(settings.height - 1) * stride};
    const int strides[1] = {-stride};
    sws_scale(converter, rows, strides, 0, settings.height, picture->data, picture->linesize);
    picture->pts = framesAdded++;
    if (std::string problem = encode(picture); !problem.empty()) return problem;
    return copyAudioUntil(static_cast<double>(framesAdded) / settings.fps);
}

std::string VideoFile::encode(AVFrame* frame) {
    int status = avcodec_send_frame(encoder, frame);
    if (status < 0) return "H.264 encoding failed: " + ffmpegError(status);
    while ((status = avcodec_receive_packet(encoder, packet)) == 0) {
        if (std::string problem = write(packet, videoStream, encoder->time_base.num, encoder->time_base.den);
            !problem.empty()) {
            return problem;
        }
    }
    return status == AVERROR(EAGAIN) || status == AVERROR_EOF ? "" : "H.264 encoding failed: " + ffmpegError(status);
}

// The song's packets that start before `seconds` (and before the end of the
// video), in order, interleaved with the pictures by the muxer.
std::string VideoFile::copyAudioUntil(double seconds) {
    const AVStream* source = audioInput->streams[audioInputStream];
    const double timeBase = av_q2d(source->time_base);
    // Without a limit every packet goes in: the last ones start after the
    // song's length, which counts without the encoder's padding.
    const double end = settings.seconds > 0 ? settings.seconds : std::numeric_limits<double>::infinity();
    const double limit = std::min(seconds, end);
    while (!audioDone) {
        if (pendingAudio->data == nullptr) {
            if (av_read_frame(audioInput, pendingAudio) < 0) {
                audioDone = true;
                break;
            }
            if (pendingAudio->stream_index != audioInputStream) {
                av_packet_unref(pendingAudio);
                continue;
            }
        }
        const std::int64_t start = pendingAudio->pts != AV_NOPTS_VALUE ? pendingAudio->pts : pendingAudio->dts;
        if (start != AV_NOPTS_VALUE && start * timeBase >= end) {
            audioDone = true;
            av_packet_unref(pendingAudio);
            break;
        }
        if (start != AV_NOPTS_VALUE && start * timeBase >= limit) break;  // not due yet
        if (std::string problem = write(pendingAudio, audioStream, source->time_base.num, source->time_base.den);
            !problem.empty()) {
            return problem;
        }
    }
    return "";
}

std::string VideoFile::write(AVPacket* written, AVStream* stream, int timeBaseNum, int timeBaseDen) {
    av_packet_rescale_ts(written, AVRational{timeBaseNum, timeBaseDen}, stream->time_base);
    written->stream_index = stream->index;
    const int status = av_interleaved_write_frame(output, written);  // takes the packet's data
    if (status < 0) return "cannot write '" + settings.path + "': " + ffmpegError(status);
    return "";
}

std::string VideoFile::finish() {
    {
        std::unique_lock<std::mutex> guard(mutex);
        changed.wait(guard, [this] { return queued < 0 || !encoderProblem.empty(); });
        closing = true;
    }
    changed.notify_all();
    encoderThread.join();
    if (!encoderProblem.empty()) return encoderProblem;
    if (std::string problem = encode(nullptr); !problem.empty()) return problem;
    if (std::string problem = copyAudioUntil(std::numeric_limits<double>::infinity()); !problem.empty()) {
        return problem;
    }
    int status = av_write_trailer(output);
    if (status < 0) return "cannot finish '" + settings.path + "': " + ffmpegError(status);
    status = avio_closep(&output->pb);
    if (status < 0) return "cannot finish '" + settings.path + "': " + ffmpegError(status);
    if (std::rename(temporaryPath.c_str(), settings.path.c_str()) != 0) {
        return "cannot write '" + settings.path + "': " + std::strerror(errno);
    }
    finished = true;
    return "";
}
