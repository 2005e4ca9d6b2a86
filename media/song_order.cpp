#include "media/song_order.h"

#include <algorithm>
#include <cctype>
#include <random>
#include <string_view>

namespace {
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The run of digits at `at`, without its leading zeros.
std::string_view digitsAt(const std::string& text, std::size_t at, std::size_t& end) {
    end = at;
    while (end < text.size() && isDigit(text[end])) ++end;
    std::size_t first = at;
    while (first + 1 < end && text[first] == '0') ++first;
    return std::string_view(text).substr(first, end - first);
}
}  // namespace

bool naturallyBefore(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t aEnd = 0, bEnd = 0;
            const std::string_view x = digitsAt(a, i, aEnd), y = digitsAt(b, j, bEnd);
            // A longer number is larger; of two as long, the digits decide.
            if (x.size() != y.size()) return x.size() < y.size();
            if (x != y) return x < y;
            i = aEnd;
            j = bEnd;
        } else {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    // One runs out first; equal numbers spelt differently ("01", "1") keep a fixed order.
    if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
    return a < b;
}

void orderSongs(std::vector<std::string>& songs, SongOrder order, std::uint32_t seed) {
    if (order == SongOrder::Name) std::stable_sort(songs.begin(), songs.end(), naturallyBefore);
    if (order == SongOrder::Shuffle) std::shuffle(songs.begin(), songs.end(), std::mt19937(seed));
}
