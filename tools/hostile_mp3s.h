#pragma once
// Files a user's music folder may hold that are not good MP3s: real MP3s
// damaged in every way a download, a disk or a tagger can damage them, and
// other files that merely end in .mp3. For the corpus replay, the fuzzer's
// seeds and the song-change benchmark.
#include <string>
#include <vector>

namespace mp3 {

// Writes the whole set into `folder` (which must exist), one file per
// damage, named after it; returns their paths in a fixed order.
std::vector<std::string> writeHostileFiles(const std::string& folder);

// A real MP3 whose every granule has the largest global gain: it decodes to
// samples thousands of times beyond full scale.
std::vector<unsigned char> overdrivenMp3();

}  // namespace mp3
