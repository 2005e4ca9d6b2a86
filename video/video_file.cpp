#include "video/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <limits>

namespace {
// ultrafast: a 1080 x 1080 picture at 60 a second must encode faster than
// real time beside a software renderer on two cores; quality comes from the
// constant rate factor (x264's own default).
constexpr const char* kPreset = "ultrafast";
constexpr const char* kQuality = "23";
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
    return nullptr;
}

VideoFile::~VideoFile() {
    stopEncoder();
    if (converter != nullptr) sws_freeContext(converter);
    av_frame_free(&picture);
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    if (output != nullptr) {
        if (output->pb != nullptr) avio_closep(&output->pb);
        avformat_free_context(output);
    }
}

Problem VideoFile::open(const Settings& wanted) {
    settings = wanted;
    // Problems are told in one line of ours; FFmpeg and x264 would add theirs.
    av_log_set_level(AV_LOG_QUIET);
    const char* container = containerFor(settings.path);
    if (container == nullptr) return "'" + settings.path + "' does not end in .mp4 or .mkv";
    const bool mp4 = std::strcmp(container, "mp4") == 0;
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
    if (Problem problem = openConverter()) return problem;
    for (auto& buffer : pictures) buffer.resize(static_cast<std::size_t>(settings.width) * settings.height * 4);
    encoderThread = std::jthread([this](std::stop_token stop) { encodeLoop(stop); });
    return {};
}

// The encoder's resources go after it has stopped.
void VideoFile::stopEncoder() {
    encoderThread.request_stop();
    if (encoderThread.joinable()) encoderThread.join();
}

unsigned char* VideoFile::nextPicture() { return pictures[drawing].data(); }

Problem VideoFile::addPicture() {
    std::unique_lock<std::mutex> guard(mutex);
    changed.wait(guard, [this] { return queued < 0 || encoderProblem; });
    if (encoderProblem) return encoderProblem;
    queued = drawing;
    drawing = 1 - drawing;  // free: the encoder is done with it, or never had it
    changed.notify_all();
    return {};
}

// Converts and encodes each queued picture; the queued one stays taken until
// it is encoded, so the drawer never writes into it meanwhile.
// Encodes what is queued before it stops, once no more pictures will come.
void VideoFile::encodeLoop(std::stop_token stop) {
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
        changed.wait(guard, stop, [this] { return queued >= 0; });
        if (queued < 0) return;
        guard.unlock();
        const Problem problem = encodeCaught(pictures[queued].data());
        guard.lock();
        queued = -1;
        if (problem) encoderProblem = problem;
        changed.notify_all();
        if (problem) return;
    }
}

// Nothing thrown leaves the encoder's thread: it ends the video as a problem.
Problem VideoFile::encodeCaught(const unsigned char* bgra) {
    try {
        return encodePicture(bgra);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (...) {
        return "encoding failed";
    }
}

Problem VideoFile::openVideoStream() {
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (h264 == nullptr) return "FFmpeg has no libx264 encoder here";
    videoStream = avformat_new_stream(output, nullptr);
    encoder = avcodec_alloc_context3(h264);
    picture = av_frame_alloc();
    if (videoStream == nullptr || encoder == nullptr || picture == nullptr) return "out of memory";

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
    av_opt_set(encoder->priv_data, "preset", kPreset, 0);
    av_opt_set(encoder->priv_data, "crf", kQuality, 0);
    // A thread a core, not x264's one and a half: the renderer needs the rest.
    encoder->thread_count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int status = avcodec_open2(encoder, h264, nullptr);
    if (status < 0) return "cannot start the H.264 encoder: " + ffmpegError(status);
    videoStream->time_base = encoder->time_base;
    videoStream->avg_frame_rate = encoder->framerate;
    videoStream->disposition = AV_DISPOSITION_DEFAULT;
    avcodec_parameters_from_context(videoStream->codecpar, encoder);

    picture->format = encoder->pix_fmt;
    picture->width = settings.width;
    picture->height = settings.height;
    picture->color_range = encoder->color_range;
    picture->colorspace = encoder->colorspace;
    picture->color_primaries = encoder->color_primaries;
    picture->color_trc = encoder->color_trc;
    if (av_frame_get_buffer(picture, 0) < 0) return "out of memory";
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

Problem VideoFile::openConverter() {
    converter = sws_getContext(settings.width, settings.height, AV_PIX_FMT_BGRA, settings.width, settings.height,
                               AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    if (converter == nullptr) return "out of memory";
    // Full-range RGB to BT.709 limited range, as the stream says.
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    constexpr int kFullRange = 1, kLimitedRange = 0, kUnchanged = 0, kUnity = 1 << 16;
    sws_setColorspaceDetails(converter, bt709, kFullRange, bt709, kLimitedRange, kUnchanged, kUnity, kUnity);
    return {};
}

Problem VideoFile::encodePicture(const unsigned char* bgra) {
    if (av_frame_make_writable(picture) < 0) return "out of memory";
    // GL's rows run bottom to top: start at the last and step backwards.
    const int stride = settings.width * 4;
    const std::uint8_t* rows[1] = {bgra + static_cast<std::ptrdiff_t>(settings.height - 1) * stride};
    const int strides[1] = {-stride};
    sws_scale(converter, rows, strides, 0, settings.height, picture->data, picture->linesize);
    picture->pts = framesAdded++;
    if (Problem problem = encode(picture)) return problem;
    return copyAudioUntil(static_cast<double>(framesAdded) / settings.fps.perSecond());
}

Problem VideoFile::encode(AVFrame* frame) {
    int status = avcodec_send_frame(encoder, frame);
    if (status < 0) return "H.264 encoding failed: " + ffmpegError(status);
    while ((status = avcodec_receive_packet(encoder, packet)) == 0) {
        // Each picture lasts a frame, the last one too.
        packet->duration = 1;
        if (Problem problem = write(packet, videoStream, encoder->time_base.num, encoder->time_base.den, videoShift)) {
            return problem;
        }
    }
    return status == AVERROR(EAGAIN) || status == AVERROR_EOF ? "" : "H.264 encoding failed: " + ffmpegError(status);
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
        changed.wait(guard, [this] { return queued < 0 || encoderProblem; });
    }
    stopEncoder();
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
