#pragma once
// A song's cover picture as a file, for those who want a path to it (the
// desktop's media controls): written once into the user's cache, named by
// a hash of its bytes, so every song of an album shares one file.
#include <string>

#include "decoding/song_tags.h"

// The absolute path of "$XDG_CACHE_HOME/viz/art/<hash>.jpg" (or .png, as
// its bytes are), written now unless already there; "" when there is no
// picture, it is neither JPEG nor PNG, or it cannot be written.
std::string coverArtFile(const CoverArt& art);
