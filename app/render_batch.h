#pragma once
// `viz --render OUTDIR/ SONG|FOLDER...`: a video for each song, named after
// it in one folder. Each song is rendered by a process of its own, so a song
// that brings the renderer down takes no other with it, and up to `jobs` run
// at once. A video newer than its song is kept, so a run that was stopped
// goes on where it was. One progress line on a terminal; a line for each
// song that fails.
#include <string>
#include <vector>

#include "app/render.h"
#include "app/render_shard.h"

struct RenderBatchRequest {
    std::string outputFolder;
    std::vector<std::string> places;  // songs and folders of songs
    std::string format = "mp4";       // mp4, mkv or webm
    int jobs = 1;
    Shard shard;                      // the songs of this task
    RenderRequest render;             // how each song is rendered
};

// A song and the video made of it.
struct BatchSong {
    std::string song;
    std::string video;
    std::string problem;  // why it cannot be rendered at all, before trying
};

// Every song of `places`, folders walked, in byte order of their paths, each
// once: the one order every task of a job array sees alike.
std::vector<std::string> songsToRender(const std::vector<std::string>& places);

// The songs of `shard`, with their videos' paths. Two songs whose videos
// would share a name: the first in the order keeps it, the other is refused.
std::vector<BatchSong> planBatch(const std::vector<std::string>& songs, const std::string& outputFolder,
                                 const std::string& format, Shard shard);

// Whether `video` exists and is newer than `song`: nothing to do.
bool videoIsUpToDate(const std::string& video, const std::string& song);

// The progress line: songs done (rendered, kept or failed) of all, and the
// time left once it can be told; it fits an 80-column terminal.
std::string batchProgressLine(int done, int total, int failed, long long secondsLeft);

// Renders the batch; 0 when every song has its video, 1 when any failed, 2
// when none could be tried (the folder cannot be made).
int renderBatch(const RenderBatchRequest& request);
