#pragma once
// GL's BGRA pictures, bottom row first, to the YUV 4:2:0 (BT.709, limited
// range) a video stores, in horizontal bands converted at once on threads
// of their own. Each band is an even number of rows, so each holds whole
// rows of the half-height colour planes and converts exactly as the whole
// picture would: the result is the same bytes.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

struct SwsContext;

class SlicedConverter {
public:
    SlicedConverter() = default;
    ~SlicedConverter();
    SlicedConverter(const SlicedConverter&) = delete;
    SlicedConverter& operator=(const SlicedConverter&) = delete;

    // `bands` of even height (fewer when the picture is too short for them);
    // false when out of memory.
    bool open(int width, int height, int bands);
    int bandCount() const { return static_cast<int>(bands.size()); }

    // `bgra` is width x height pixels, bottom row first; `planes` and
    // `strides` are the Y, U and V planes to fill. The calling thread
    // converts the first band and waits for the others.
    void convert(const unsigned char* bgra, std::uint8_t* const planes[3], const int strides[3]);

private:
    struct Band {
        int top = 0, rows = 0;  // in the picture as shown, top row 0
        SwsContext* context = nullptr;
    };
    void convertBand(const Band& band);
    void work(std::stop_token stop, int band);

    int width = 0, height = 0;
    std::vector<Band> bands;

    // The picture being converted, and which round of it the workers are on.
    const unsigned char* source = nullptr;
    std::uint8_t* destination[3] = {};
    int destinationStrides[3] = {};
    std::uint64_t round = 0;
    int bandsLeft = 0;
    std::mutex mutex;
    std::condition_variable_any changed;
    std::vector<std::jthread> workers;
};
