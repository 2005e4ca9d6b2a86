#pragma once

// Sound engine costs and timing: CPU per second of music, spectrum cost per
// frame, start latency, and how closely the level follows what is heard.
void runAudioBenchmarks();
