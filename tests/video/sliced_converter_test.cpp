// Converting a picture in bands gives the very bytes converting it whole
// does, however many bands and whatever the sizes.
#include <gtest/gtest.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "video/sliced_converter.h"

namespace {
struct Planes {
    Planes(int width, int height)
        : strides{width + 16, (width + 1) / 2 + 8, (width + 1) / 2 + 8},
          y(static_cast<std::size_t>(strides[0]) * height, 0xAA),
          u(static_cast<std::size_t>(strides[1]) * ((height + 1) / 2), 0xAA),
          v(static_cast<std::size_t>(strides[2]) * ((height + 1) / 2), 0xAA) {}
    std::uint8_t* data[3];
    int strides[3];
    std::vector<std::uint8_t> y, u, v;
    // The picture's own bytes, not the padding at each row's end (which
    // swscale may write as it likes).
    std::vector<std::uint8_t> shown(int plane, int width, int height) const {
        const std::vector<std::uint8_t>& bytes = plane == 0 ? y : plane == 1 ? u : v;
        const int columns = plane == 0 ? width : (width + 1) / 2, rows = plane == 0 ? height : (height + 1) / 2;
        std::vector<std::uint8_t> picture;
        for (int row = 0; row < rows; ++row) {
            const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(row) * strides[plane];
            picture.insert(picture.end(), start, start + columns);
        }
        return picture;
    }
    std::uint8_t* const* pointers() {
        data[0] = y.data();
        data[1] = u.data();
        data[2] = v.data();
        return data;
    }
};

// The whole picture at once, bottom row first, as one SwsContext does it.
void convertWhole(const std::vector<unsigned char>& bgra, int width, int height, Planes& planes) {
    SwsContext* context = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P,
                                         SWS_POINT, nullptr, nullptr, nullptr);
    ASSERT_NE(context, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(context, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    const std::uint8_t* rows[1] = {bgra.data() + static_cast<std::ptrdiff_t>(height - 1) * width * 4};
    const int strides[1] = {-width * 4};
    sws_scale(context, rows, strides, 0, height, planes.pointers(), planes.strides);
    sws_freeContext(context);
}
}  // namespace

TEST(SlicedConverter, BandsGiveTheBytesOfTheWholePicture) {
    std::mt19937 random(7);
    struct Case { int width, height, bands; };
    for (const Case& c : {Case{64, 64, 2}, Case{50, 34, 3}, Case{1080, 1080, 4}, Case{32, 2, 5}, Case{18, 22, 1}}) {
        std::vector<unsigned char> bgra(static_cast<std::size_t>(c.width) * c.height * 4);
        for (unsigned char& byte : bgra) byte = static_cast<unsigned char>(random());
        Planes whole(c.width, c.height), banded(c.width, c.height);
        convertWhole(bgra, c.width, c.height, whole);
        SlicedConverter converter;
        ASSERT_TRUE(converter.open(c.width, c.height, c.bands));
        EXPECT_EQ(converter.bandCount(), std::min(c.bands, c.height / 2));
        // Twice: the workers take the second picture as they took the first.
        for (int round = 0; round < 2; ++round) {
            converter.convert(bgra.data(), banded.pointers(), banded.strides);
            for (int plane = 0; plane < 3; ++plane) {
                EXPECT_EQ(banded.shown(plane, c.width, c.height), whole.shown(plane, c.width, c.height))
                    << c.width << "x" << c.height << " in " << c.bands << ", plane " << plane;
            }
            std::reverse(bgra.begin(), bgra.end());
            convertWhole(bgra, c.width, c.height, whole);
        }
    }
}
