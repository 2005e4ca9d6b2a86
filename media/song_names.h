#pragma once
#include <string>

// The name a song is shown under: its file name without its ending (the
// last four characters of an MP3's, ".flac" of a FLAC's...); empty when the
// path has no '/' or the name is no longer than its ending.
std::string displayName(const std::string& path);

// `place` as a path from the root, so a song named relative to the current
// folder ("alpha.mp3", "./alpha.mp3") still has a name to show. Only "."
// steps are dropped: ".." after a link leads where the link points.
std::string absolutePath(const std::string& place);
