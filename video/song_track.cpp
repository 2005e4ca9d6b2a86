#include "video/song_track.h"

namespace {
AudioTrack::Codec codecOfLayer(int layer) {
    if (layer == 1) return AudioTrack::Codec::Mp1;
    if (layer == 2) return AudioTrack::Codec::Mp2;
    return AudioTrack::Codec::Mp3;
}
}  // namespace

AudioTrack songTrack(Mp3Frames& frames, std::int64_t samples) {
    AudioTrack track;
    track.codec = codecOfLayer(frames.layer());
    track.rate = frames.rate();
    track.channels = frames.channels();
    track.leadingSamples = frames.leadingSamples();
    track.samples = samples;
    track.nextPacket = [&frames](std::vector<unsigned char>& packet, int& packetSamples) {
        return frames.next(packet, packetSamples);
    };
    return track;
}

namespace {
// Any source of packets with a set-up of its own.
template <typename Packets>
AudioTrack trackOf(Packets& packets, std::int64_t samples) {
    AudioTrack track;
    track.copied = packets.parameters();
    track.rate = packets.rate();
    track.channels = packets.channels();
    track.leadingSamples = packets.leadingSamples();
    track.samples = samples;
    track.nextPacket = [&packets](std::vector<unsigned char>& packet, int& packetSamples) {
        return packets.next(packet, packetSamples);
    };
    return track;
}
}  // namespace

AudioTrack songTrack(SongPackets& packets, std::int64_t samples) { return trackOf(packets, samples); }

AudioTrack songTrack(SoundEncoding& encoding, std::int64_t samples) { return trackOf(encoding, samples); }
