#pragma once
// One frame of interleaved samples as the mono signal whose spectrum gives
// the loudness. Live playback and a render take it from here alike, so a
// video shows what the live pictures show.
inline float monoMix(const float* frame, int channels) {
    float sum = 0;
    for (int c = 0; c < channels; ++c) sum += frame[c];
    return sum / static_cast<float>(channels);
}
