#pragma once
// The command line: `viz [FOLDER or SONG]...`, `viz --listen[=SOURCE]`, `viz --render OUT SONG`, --help and
// --version, options anywhere. The X options freeglut takes (-display NAME,
// -sync, ...) are set aside for glutInit; operands never reach it.
#include <string>
#include <vector>

#include "app/render.h"
#include "app/render_batch.h"
#include "base/problem.h"
#include "media/song_order.h"

struct CommandLine {
    enum class Action { Run, Render, RenderBatch, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Run;
    std::vector<std::string> places;  // folders and songs to play; none: the default music folder
    bool listen = false;       // draw what the desktop plays instead
    std::string listenSource;  // with listen: the source named; empty: the default output's monitor
    int maximumFrameRate = 0;  // frames a second the window is drawn at, at most; 0: as fast as it goes
    bool fullscreen = false;   // start fullscreen
    bool background = false;   // be the desktop's background instead of a window
    std::string monitor;       // the monitor by number or name; "" where the window manager puts it
    int samples = kSamplesUnasked;  // multisampling; 0 or 1 for none
    SongOrder order = SongOrder::Folder;  // the order the songs play in
    double startSeconds = 0;  // where the first song starts
    bool readsSettings = true;  // false with --no-config
    std::vector<std::string> optionsGiven;  // the long options' names, in order
    RenderRequest render;  // for Render
    RenderBatchRequest batch;  // for RenderBatch, its songs' request taken from `render`
    bool shardGiven = false;   // --shard; else a job array's variables may name one
    int shardCount = 0;        // --shard-count: the tasks, for engines that do not say
    std::string firstRenderOption;  // the first option given that only a render takes
    std::vector<std::string> windowOptions;  // for glutInit, values included
    std::string error;   // why it was refused, one line
    bool showUsage = false;  // a refusal that the usage explains
};

// Reads the arguments after the program's name (argv[0] is the name).
CommandLine parseCommandLine(int argc, const char* const* argv);

// The usage text: the argument, the options and the controls.
std::string usageText();

// Why `place` can be neither scanned as a folder nor played as a song, if so.
Problem placeProblem(const std::string& place);
