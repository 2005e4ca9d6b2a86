#include "video/song_packets.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/intreadwrite.h>
}

#include <algorithm>

#include "decoding/song_formats.h"

namespace {
// The next part of a chained Ogg Opus file starts with its own headers as
// packets. They are no sound (the demuxer gives them a length all the same),
// and a decoder, ours or a player's, refuses them: they are left out.
bool isOpusHeader(const AVPacket& packet, AVCodecID codec) {
    if (codec != AV_CODEC_ID_OPUS || packet.size < 8) return false;
    const auto* bytes = reinterpret_cast<const char*>(packet.data);
    return std::equal(bytes, bytes + 8, "OpusHead") || std::equal(bytes, bytes + 8, "OpusTags");
}
}  // namespace

SongPackets::~SongPackets() {
    av_bsf_free(&adtsToRaw);
    av_packet_free(&packet);
}

bool SongPackets::open(const std::string& path) {
    const char* container = containerOfName(path);
    if (container == nullptr || !input.open(path, container)) return false;
    packet = av_packet_alloc();
    if (packet == nullptr) return false;
    const AVCodecParameters* from = input.stream()->codecpar;
    if (from->codec_id == AV_CODEC_ID_AAC && from->extradata_size == 0) {
        const AVBitStreamFilter* filter = av_bsf_get_by_name("aac_adtstoasc");
        if (filter == nullptr || av_bsf_alloc(filter, &adtsToRaw) < 0 ||
            avcodec_parameters_copy(adtsToRaw->par_in, from) < 0) {
            return false;
        }
        adtsToRaw->time_base_in = input.stream()->time_base;
        if (av_bsf_init(adtsToRaw) < 0) return false;
    }
    // The first packet says how much a decoder drops before the song's
    // first sample: the skip it carries, or as much as it starts before 0.
    if (!readPacket()) return false;
    std::size_t size = 0;
    const std::uint8_t* skip = av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    const std::int64_t start =
        packet->pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(packet->pts, input.stream()->time_base, AVRational{1, rate()});
    leading = skip != nullptr && size >= 4 ? AV_RL32(skip) : std::max<std::int64_t>(0, -start);
    return adtsToRaw == nullptr || takeSetUp();
}

// The filter hands raw AAC's set-up over with the first packet it makes,
// where a container needs it before the first.
bool SongPackets::takeSetUp() {
    AVCodecParameters* out = adtsToRaw->par_out;
    if (out->extradata_size > 0) return true;
    std::size_t size = 0;
    const std::uint8_t* setUp = av_packet_get_side_data(packet, AV_PKT_DATA_NEW_EXTRADATA, &size);
    if (setUp == nullptr || size == 0) return false;
    out->extradata = static_cast<std::uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (out->extradata == nullptr) return false;
    std::copy_n(setUp, size, out->extradata);
    out->extradata_size = static_cast<int>(size);
    return true;
}

const AVCodecParameters* SongPackets::parameters() const {
    return adtsToRaw != nullptr ? adtsToRaw->par_out : input.stream()->codecpar;
}

int SongPackets::rate() const { return input.stream()->codecpar->sample_rate; }

bool SongPackets::fitsMp4() const {
    const AVCodecID codec = parameters()->codec_id;
    return codec == AV_CODEC_ID_AAC || codec == AV_CODEC_ID_OPUS;
}

bool SongPackets::fitsWebm() const {
    const AVCodecID codec = parameters()->codec_id;
    return codec == AV_CODEC_ID_OPUS || codec == AV_CODEC_ID_VORBIS;
}

int SongPackets::channels() const { return input.stream()->codecpar->ch_layout.nb_channels; }

// Reads the song's next packet into `packet`, through the filter for raw AAC.
bool SongPackets::readPacket() {
    havePacket = false;
    while (!ended) {
        if (adtsToRaw != nullptr && takeFiltered()) return havePacket = true;
        if (av_read_frame(input.format(), packet) < 0) {
            if (adtsToRaw == nullptr) break;
            av_bsf_send_packet(adtsToRaw, nullptr);
            ended = !takeFiltered();
            return havePacket = !ended;
        }
        if (packet->stream_index != input.streamIndex() || packet->size <= 0 ||
            isOpusHeader(*packet, input.stream()->codecpar->codec_id)) {
            av_packet_unref(packet);
            continue;
        }
        if (adtsToRaw == nullptr) return havePacket = true;
        if (av_bsf_send_packet(adtsToRaw, packet) < 0) av_packet_unref(packet);
    }
    ended = true;
    return false;
}

bool SongPackets::takeFiltered() { return av_bsf_receive_packet(adtsToRaw, packet) == 0; }

bool SongPackets::next(std::vector<unsigned char>& bytes, int& samples) {
    if (!havePacket && !readPacket()) return false;
    input.soundFound();
    bytes.assign(packet->data, packet->data + packet->size);
    const AVRational timeBase = adtsToRaw != nullptr ? adtsToRaw->time_base_out : input.stream()->time_base;
    samples = static_cast<int>(av_rescale_q(packet->duration, timeBase, AVRational{1, rate()}));
    av_packet_unref(packet);
    havePacket = false;
    return true;
}
