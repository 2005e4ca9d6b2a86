#pragma once

// Listening to what the desktop plays: the picture against the speaker
// behind a wired-like and a Bluetooth-like pipe, and the CPU that capturing
// and analysing cost against `parec` capturing the same source alone.
void runListeningBenchmarks();
