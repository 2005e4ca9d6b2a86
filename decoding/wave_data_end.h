#pragma once
// Where a WAV file's sound ends: its data chunk's end, as the chunk's size
// says. What lies after it is no sound of the song's, and FFmpeg's reader
// walks whatever follows as chunks, eight bytes at a time through zeros.
#include <sys/types.h>

#include "decoding/buffered_file.h"

// The offset just past the data chunk, or -1 when the file does not say: no
// such chunk after its format, or a size a writer left unfilled (0 or all
// ones: the sound runs to the file's end). Moves the file's position.
off_t waveDataEnd(BufferedFile& file);
