#pragma once

// viz --render of the tunnel at 1080 x 1080, 60 frames a second, at each
// quality: wall time, the share of the cores busy, and the ratio to the
// encoder alone taking the same pictures from memory at the same settings.
// `vizBinary` renders; `qualities` are draft, good and best when empty.
void runEncodeBenchmarks(const char* vizBinary, int qualityCount = 0, char** qualities = nullptr);
