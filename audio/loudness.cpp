#include "audio/loudness.h"

float levelOf(const float* magnitudes) {
    float sum = 0;
    for (int i = 0; i < kSpectrumBins; i += 2) sum += magnitudes[i];
    return static_cast<float>(sum * (1.0 / kSpectrumBins) * 100);
}
