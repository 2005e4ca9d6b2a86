#include "video/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <limits>

namespace {
// The lowest MP3 rate an MP4 takes (MPEG-2.5's 8 to 12 kHz it refuses).
constexpr int kLowestMp4Mp3Rate = 16000;

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool endsWith(const std::string& text, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

// The sound an MP4 takes as it is, and video players decode from one.
bool mp4Holds(AVCodecID codec) { return codec == AV_CODEC_ID_AAC || codec == AV_CODEC_ID_OPUS; }

// WebM holds these alone.
bool webmHolds(AVCodecID codec) { return codec == AV_CODEC_ID_OPUS || codec == AV_CODEC_ID_VORBIS; }

AVCodecID codecOf(AudioTrack::Codec codec) {
    switch (codec) {
        case AudioTrack::Codec::Mp1: return AV_CODEC_ID_MP1;
        case AudioTrack::Codec::Mp2: return AV_CODEC_ID_MP2;
        case AudioTrack::Codec::Mp3: return AV_CODEC_ID_MP3;
    }
    return AV_CODEC_ID_NONE;
}
}  // namespace

const char* VideoFile::containerFor(const std::string& path) {
    if (endsWith(path, ".mp4")) return "mp4";
    if (endsWith(path, ".mkv")) return "matroska";
    if (endsWith(path, ".webm")) return "webm";
    return nullptr;
}

VideoCodec VideoFile::codecFor(const std::string& path, VideoCodec asked) {
    if (asked != VideoCodec::Automatic) return asked;
    return endsWith(path, ".webm") ? VideoCodec::Vp9 : VideoCodec::H264;
}

VideoFile::~VideoFile() {
    stopThreads();
    for (AVFrame*& frame : frames) av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    if (output != nullptr) {
        if (output->pb != nullptr) avio_closep(&output->pb);
        avformat_free_context(output);
    }
}

Problem VideoFile::open(const Settings& wanted) {
    settings = wanted;
    // Problems are told in one line of ours; FFmpeg and the encoders would
    // add theirs (SVT-AV1 through its own setting).
    av_log_set_level(AV_LOG_QUIET);
    setenv("SVT_LOG", "0", 0);
    const char* container = containerFor(settings.path);
    if (container == nullptr) return "'" + settings.path + "' does not end in .mp4, .mkv or .webm";
    const bool mp4 = std::strcmp(container, "mp4") == 0;
    const bool webm = std::strcmp(container, "webm") == 0;
    settings.codec = codecFor(settings.path, settings.codec);
    if (webm && settings.codec == VideoCodec::H264) return "WebM holds VP9 or AV1, not H.264: give OUT a .mp4 or .mkv name";
    // SVT-AV1's least picture; it says why in lines of its own otherwise.
    if (settings.codec == VideoCodec::Av1 && (settings.width < 64 || settings.height < 64)) {
        return "AV1 takes pictures of 64x64 and larger, not " + std::to_string(settings.width) + "x" +
               std::to_string(settings.height);
    }
    if (webm && (settings.audio.copied == nullptr || !webmHolds(settings.audio.copied->codec_id))) {
        return "WebM holds only Opus or Vorbis sound";
    }
    if (mp4 && settings.audio.copied != nullptr && !mp4Holds(settings.audio.copied->codec_id)) {
        return "an MP4 cannot hold the song's " + std::string(avcodec_get_name(settings.audio.copied->codec_id)) +
               " sound: give OUT a .mkv name";
    }
    if (mp4 && settings.audio.copied == nullptr && settings.audio.rate < kLowestMp4Mp3Rate) {
        return "an MP4 cannot hold the song's sound at " + std::to_string(settings.audio.rate) +
               " Hz: give OUT a .mkv name";
    }
    // Made first, so an unwritable folder is found before any work is done.
    if (Problem problem = partial.create(settings.path)) return problem;

    int status = avformat_alloc_output_context2(&output, nullptr, container, partial.path().c_str());
    if (status < 0 || output == nullptr) return "cannot make a " + std::string(container) + " file";
    if (Problem problem = openVideoStream()) return problem;
    if (Problem problem = openAudioStream()) return problem;

    status = avio_open(&output->pb, partial.path().c_str(), AVIO_FLAG_WRITE);
    if (status < 0) return "cannot write '" + settings.path + "': " + ffmpegError(status);
    AVDictionary* options = nullptr;
    // The index first, so a player or an upload can start before the end.
    if (mp4) av_dict_set(&options, "movflags", "+faststart", 0);
    status = avformat_write_header(output, &options);
    av_dict_free(&options);
    if (status < 0) return "cannot start '" + settings.path + "': " + ffmpegError(status);

    // An MP4 says where the song starts in an edit list, made from the
    // negative times of the packets before it. FFmpeg's Matroska writer says
    // it for Opus alone (its codec delay); for any other sound there the
    // pictures start later by as much.
    keepSilentPackets = !mp4;
    if (!mp4) {
        audioShift = settings.audio.leadingSamples;
        const bool opus = settings.audio.copied != nullptr && settings.audio.copied->codec_id == AV_CODEC_ID_OPUS;
        if (!opus) {
            videoShift = av_rescale_q(settings.audio.leadingSamples, AVRational{1, settings.audio.rate},
                                      videoStream->time_base);
        }
    }

    packet = av_packet_alloc();
    if (packet == nullptr) return "out of memory";
    if (Problem problem = openPictures()) return problem;
    converterThread = std::jthread([this](std::stop_token stop) { convertLoop(stop); });
    encoderThread = std::jthread([this](std::stop_token stop) { encodeLoop(stop); });
    return {};
}

// The stages' resources go after they have stopped.
void VideoFile::stopThreads() {
    converterThread.request_stop();
    encoderThread.request_stop();
    if (converterThread.joinable()) converterThread.join();
    if (encoderThread.joinable()) encoderThread.join();
}

unsigned char* VideoFile::nextPicture() { return pictures[drawing].data(); }

Problem VideoFile::addPicture() {
    std::unique_lock<std::mutex> guard(mutex);
    drawnPictures.push_back(drawing);
    changed.notify_all();
    changed.wait(guard, [this] { return !freePictures.empty() || encoderProblem; });
    if (encoderProblem) return encoderProblem;
    drawing = freePictures.front();
    freePictures.pop_front();
    return {};
}

// Converts each drawn picture into a free frame for the encoder, in the
// order drawn; the picture stays taken until it is converted, so the drawer
// never writes into it meanwhile. Converts what is drawn before it stops,
// once no more pictures will come.
void VideoFile::convertLoop(std::stop_token stop) {
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
        changed.wait(guard, stop, [this] { return (!drawnPictures.empty() && !freeFrames.empty()) || encoderProblem; });
        if (encoderProblem || drawnPictures.empty() || freeFrames.empty()) return;
        const int picture = drawnPictures.front(), frame = freeFrames.front();
        drawnPictures.pop_front();
        freeFrames.pop_front();
        converting = true;
        guard.unlock();
        const Problem problem = caught([&]() -> Problem {
            if (av_frame_make_writable(frames[frame]) < 0) return "out of memory";
            converter.convert(pictures[picture].data(), frames[frame]->data, frames[frame]->linesize);
            return {};
        });
        guard.lock();
        converting = false;
        freePictures.push_back(picture);
        if (problem) encoderProblem = problem;
        else convertedFrames.push_back(frame);
        changed.notify_all();
        if (problem) return;
    }
}

// Encodes each converted frame in turn, and the sound due by its end.
void VideoFile::encodeLoop(std::stop_token stop) {
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
        changed.wait(guard, stop, [this] { return !convertedFrames.empty() || encoderProblem; });
        if (encoderProblem || convertedFrames.empty()) return;
        const int frame = convertedFrames.front();
        convertedFrames.pop_front();
        encoding = true;
        guard.unlock();
        const Problem problem = caught([&] { return encodePicture(frames[frame]); });
        guard.lock();
        encoding = false;
        freeFrames.push_back(frame);
        if (problem) encoderProblem = problem;
        changed.notify_all();
        if (problem) return;
    }
}

// Nothing thrown leaves a stage's thread: it ends the video as a problem.
Problem VideoFile::caught(const std::function<Problem()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (...) {
        return "encoding failed";
    }
}

Problem VideoFile::openVideoStream() {
    const char* name = encoderName(settings.codec);
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) return "FFmpeg has no " + std::string(name) + " encoder here";
    videoStream = avformat_new_stream(output, nullptr);
    encoder = avcodec_alloc_context3(codec);
    if (videoStream == nullptr || encoder == nullptr) return "out of memory";

    const FrameRate fps = settings.fps;
    encoder->width = settings.width;
    encoder->height = settings.height;
    encoder->time_base = AVRational{fps.denominator, fps.numerator};  // a tick a frame
    encoder->framerate = AVRational{fps.numerator, fps.denominator};
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;  // what every player takes
    // The colours as converted, said in the stream: players that guess
    // would guess BT.601 for small pictures and BT.709 for large ones.
    encoder->color_range = AVCOL_RANGE_MPEG;
    encoder->colorspace = AVCOL_SPC_BT709;
    encoder->color_primaries = AVCOL_PRI_BT709;
    encoder->color_trc = AVCOL_TRC_BT709;
    encoder->gop_size = std::max(1, static_cast<int>(std::lround(2 * fps.perSecond())));
    if (output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    chooseEncoderSettings(encoder, settings.codec, settings.quality, settings.bitrate);
    const int status = avcodec_open2(encoder, codec, nullptr);
    if (status < 0) return "cannot start the " + std::string(name) + " encoder: " + ffmpegError(status);
    videoStream->time_base = encoder->time_base;
    videoStream->avg_frame_rate = encoder->framerate;
    videoStream->disposition = AV_DISPOSITION_DEFAULT;
    avcodec_parameters_from_context(videoStream->codecpar, encoder);

    return {};
}

Problem VideoFile::openPictures() {
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        pictures[i].resize(static_cast<std::size_t>(settings.width) * settings.height * 4);
        if (i > 0) freePictures.push_back(static_cast<int>(i));
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        AVFrame* frame = frames[i] = av_frame_alloc();
        if (frame == nullptr) return "out of memory";
        frame->format = encoder->pix_fmt;
        frame->width = settings.width;
        frame->height = settings.height;
        frame->color_range = encoder->color_range;
        frame->colorspace = encoder->colorspace;
        frame->color_primaries = encoder->color_primaries;
        frame->color_trc = encoder->color_trc;
        if (av_frame_get_buffer(frame, 0) < 0) return "out of memory";
        freeFrames.push_back(static_cast<int>(i));
    }
    // A band a core: the conversion is a fifth of the work.
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (!converter.open(settings.width, settings.height, cores)) return "out of memory";
    return {};
}

Problem VideoFile::openAudioStream() {
    const AudioTrack& audio = settings.audio;
    audioStream = avformat_new_stream(output, nullptr);
    if (audioStream == nullptr) return "out of memory";
    AVCodecParameters* parameters = audioStream->codecpar;
    if (audio.copied != nullptr) {
        if (avcodec_parameters_copy(parameters, audio.copied) < 0) return "out of memory";
        parameters->codec_tag = 0;  // the container's own tag for the codec
    } else {
        parameters->codec_type = AVMEDIA_TYPE_AUDIO;
        parameters->codec_id = codecOf(audio.codec);
        parameters->sample_rate = audio.rate;
        av_channel_layout_default(&parameters->ch_layout, audio.channels);
    }
    audioStream->time_base = AVRational{1, audio.rate};
    audioStream->disposition = AV_DISPOSITION_DEFAULT;
    return {};
}

Problem VideoFile::encodePicture(AVFrame* frame) {
    frame->pts = framesAdded++;
    if (Problem problem = encode(frame)) return problem;
    return copyAudioUntil(static_cast<double>(framesAdded) / settings.fps.perSecond());
}

Problem VideoFile::encode(AVFrame* frame) {
    int status = avcodec_send_frame(encoder, frame);
    if (status < 0) return "video encoding failed: " + ffmpegError(status);
    while ((status = avcodec_receive_packet(encoder, packet)) == 0) {
        // Each picture lasts a frame, the last one too.
        packet->duration = 1;
        if (Problem problem = write(packet, videoStream, encoder->time_base.num, encoder->time_base.den, videoShift)) {
            return problem;
        }
    }
    return status == AVERROR(EAGAIN) || status == AVERROR_EOF ? "" : "video encoding failed: " + ffmpegError(status);
}

// The sound's packets that start before `seconds`, in order, interleaved
// with the pictures by the muxer; the last one is cut at the sound's end.
Problem VideoFile::copyAudioUntil(double seconds) {
    const AudioTrack& audio = settings.audio;
    const double due = seconds * audio.rate;
    while (!audioDone) {
        if (pendingAudio.empty() && !audio.nextPacket(pendingAudio, pendingSamples)) {
            audioDone = true;
            break;
        }
        // A packet of no sound is no end: a chained Ogg file's next part
        // starts with its headers, which decode to nothing.
        pendingSamples = std::max(pendingSamples, 0);
        if (pendingSamples == 0 && !keepSilentPackets) pendingAudio.clear();
        if (pendingAudio.empty()) continue;
        const std::int64_t start = audioPosition - audio.leadingSamples;  // on the song's clock
        if (start >= audio.samples) {
            audioDone = true;
            break;
        }
        if (static_cast<double>(start) >= due) break;  // not due yet
        if (av_new_packet(packet, static_cast<int>(pendingAudio.size())) < 0) return "out of memory";
        std::memcpy(packet->data, pendingAudio.data(), pendingAudio.size());
        packet->pts = packet->dts = start + audioShift;
        packet->duration = std::min<std::int64_t>(pendingSamples, audio.samples - start);
        audioPosition += pendingSamples;
        pendingAudio.clear();
        if (Problem problem = write(packet, audioStream, 1, audio.rate, 0)) return problem;
    }
    return {};
}

Problem VideoFile::write(AVPacket* written, AVStream* stream, int timeBaseNum, int timeBaseDen,
                             std::int64_t shift) {
    av_packet_rescale_ts(written, AVRational{timeBaseNum, timeBaseDen}, stream->time_base);
    written->pts += shift;
    written->dts += shift;
    written->stream_index = stream->index;
    const int status = av_interleaved_write_frame(output, written);  // takes the packet's data
    if (status < 0) return "cannot write '" + settings.path + "': " + ffmpegError(status);
    return {};
}

Problem VideoFile::finish() {
    {
        std::unique_lock<std::mutex> guard(mutex);
        changed.wait(guard, [this] {
            return (drawnPictures.empty() && convertedFrames.empty() && !converting && !encoding) || encoderProblem;
        });
    }
    stopThreads();
    if (encoderProblem) return encoderProblem;
    if (Problem problem = encode(nullptr)) return problem;
    if (Problem problem = copyAudioUntil(std::numeric_limits<double>::infinity())) {
        return problem;
    }
    int status = av_write_trailer(output);
    if (status < 0) return "cannot finish '" + settings.path + "': " + ffmpegError(status);
    status = avio_closep(&output->pb);
    if (status < 0) return "cannot finish '" + settings.path + "': " + ffmpegError(status);
    return partial.commit();
}
