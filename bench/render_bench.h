#pragma once

// viz --render of the tunnel at 1080 x 1080 and 500 x 500, 60 frames a
// second: video seconds per wall second; and --seconds 2 of a 100 GB song
// against the same of a 10 s one.
void runRenderBenchmarks(const char* vizBinary);
