#include "video/sliced_converter.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace {
SwsContext* bandContext(int width, int rows) {
    SwsContext* context = sws_getContext(width, rows, AV_PIX_FMT_BGRA, width, rows, AV_PIX_FMT_YUV420P, SWS_POINT,
                                         nullptr, nullptr, nullptr);
    if (context == nullptr) return nullptr;
    // Full-range RGB to BT.709 limited range, as the stream says.
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    constexpr int kFullRange = 1, kLimitedRange = 0, kUnchanged = 0, kUnity = 1 << 16;
    sws_setColorspaceDetails(context, bt709, kFullRange, bt709, kLimitedRange, kUnchanged, kUnity, kUnity);
    return context;
}
}  // namespace

SlicedConverter::~SlicedConverter() {
    for (std::jthread& worker : workers) worker.request_stop();
    workers.clear();  // joins: the contexts go after their workers
    for (Band& band : bands) sws_freeContext(band.context);
}

bool SlicedConverter::open(int pictureWidth, int pictureHeight, int wanted) {
    width = pictureWidth;
    height = pictureHeight;
    // Pairs of rows shared out as evenly as they go; the first bands take
    // the one left over.
    const int pairs = (height + 1) / 2;
    const int count = std::clamp(wanted, 1, std::max(1, pairs));
    int top = 0;
    for (int i = 0; i < count; ++i) {
        const int bandPairs = pairs / count + (i < pairs % count ? 1 : 0);
        Band band;
        band.top = top;
        band.rows = std::min(bandPairs * 2, height - top);
        band.context = bandContext(width, band.rows);
        bands.push_back(band);
        if (band.context == nullptr) return false;
        top += band.rows;
    }
    for (int i = 1; i < count; ++i) workers.emplace_back([this, i](std::stop_token stop) { work(stop, i); });
    return true;
}

void SlicedConverter::convertBand(const Band& band) {
    // GL's rows run bottom to top: the band's top row is this far from the
    // end, and the rows step backwards from it.
    const int stride = width * 4;
    const std::uint8_t* rows[1] = {source + static_cast<std::ptrdiff_t>(height - 1 - band.top) * stride};
    const int strides[1] = {-stride};
    std::uint8_t* planes[3] = {
        destination[0] + static_cast<std::ptrdiff_t>(band.top) * destinationStrides[0],
        destination[1] + static_cast<std::ptrdiff_t>(band.top / 2) * destinationStrides[1],
        destination[2] + static_cast<std::ptrdiff_t>(band.top / 2) * destinationStrides[2],
    };
    sws_scale(band.context, rows, strides, 0, band.rows, planes, destinationStrides);
}

void SlicedConverter::convert(const unsigned char* bgra, std::uint8_t* const planes[3], const int strides[3]) {
    {
        std::lock_guard<std::mutex> guard(mutex);
        source = bgra;
        for (int i = 0; i < 3; ++i) {
            destination[i] = planes[i];
            destinationStrides[i] = strides[i];
        }
        bandsLeft = bandCount() - 1;
        ++round;
    }
    changed.notify_all();
    convertBand(bands[0]);
    std::unique_lock<std::mutex> guard(mutex);
    changed.wait(guard, [this] { return bandsLeft == 0; });
}

// Converts its band of each new picture, then says it is done.
void SlicedConverter::work(std::stop_token stop, int band) {
    std::uint64_t done = 0;
    std::unique_lock<std::mutex> guard(mutex);
    for (;;) {
        if (!changed.wait(guard, stop, [&] { return round != done; })) return;
        done = round;
        guard.unlock();
        convertBand(bands[band]);
        guard.lock();
        if (--bandsLeft == 0) changed.notify_all();
    }
}
