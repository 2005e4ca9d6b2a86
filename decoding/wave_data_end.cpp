#include "decoding/wave_data_end.h"

#include <cstdint>
#include <cstring>

namespace {
// Real files have a handful of chunks before their sound.
constexpr int kMostChunksBeforeData = 1000;

struct ChunkHeader {
    char id[4];
    std::uint32_t size;
};

bool readChunkHeader(BufferedFile& file, bool bigEndian, ChunkHeader& header) {
    unsigned char bytes[8];
    if (file.read(bytes, sizeof bytes) != static_cast<ssize_t>(sizeof bytes)) return false;
    std::memcpy(header.id, bytes, 4);
    header.size = 0;
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 8 * (3 - i) : 8 * i;
        header.size |= static_cast<std::uint32_t>(bytes[4 + i]) << shift;
    }
    return true;
}

bool isId(const ChunkHeader& header, const char* id) { return std::memcmp(header.id, id, 4) == 0; }
}  // namespace

off_t waveDataEnd(BufferedFile& file) {
    ChunkHeader riff{};
    char form[4];
    if (file.seek(0, SEEK_SET) != 0 || !readChunkHeader(file, false, riff)) return -1;
    // RIFX is the same form with its numbers big-endian.
    const bool bigEndian = isId(riff, "RIFX");
    if ((!isId(riff, "RIFF") && !bigEndian) || file.read(form, 4) != 4 || std::memcmp(form, "WAVE", 4) != 0) {
        return -1;
    }
    off_t at = 12;
    bool formatSeen = false;
    for (int chunk = 0; chunk < kMostChunksBeforeData; ++chunk) {
        ChunkHeader header{};
        if (file.seek(at, SEEK_SET) != at || !readChunkHeader(file, bigEndian, header)) return -1;
        const off_t end = at + 8 + header.size;
        if (isId(header, "data")) {
            const bool sizeUnfilled = header.size == 0 || header.size == UINT32_MAX;
            return formatSeen && !sizeUnfilled ? end : -1;
        }
        formatSeen = formatSeen || isId(header, "fmt ");
        at = end + (header.size & 1);  // chunks start on even offsets
    }
    return -1;
}
