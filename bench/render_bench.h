#pragma once

// viz --render of the tunnel at 1080 x 1080 and 500 x 500, 60 frames a
// second: video seconds per wall second.
void runRenderBenchmarks(const char* vizBinary);
