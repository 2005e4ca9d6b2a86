#pragma once
// FFmpeg's own log is off: a damaged song or a failed video is told in one
// line of ours. Safe to call from any thread, any number of times.
void quietFfmpeg();
