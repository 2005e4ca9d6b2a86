#include "app/command_line.h"

#include <dirent.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <sstream>
#include <vector>

#include "app/program_places.h"
#include "app/scene_table.h"
#include "decoding/song_formats.h"
#include "media/song_names.h"
#include "shaders/scene_files.h"

namespace {
enum OptionCode : int {
    kHelp = 'h',
    kVersion = 256,
    kRender,
    kScene,
    kFps,
    kSize,
    kSeconds,
    kListen,
    kMaxFps,
    kFullscreen,
    kBackground,
    kMonitor,
    kSamples,
    kNoConfig,
    kOrder,
    kStart,
    kPreset,
    kFormat,
    kJobs,
    kShard,
    kShardCount,
    kQuality,
    kVideoBitrate,
    kCodec,
    kWindowOption,  // freeglut's own: handed on to it
};

// One dash or two, as X programs and GNU programs take them; values as
// "--name value" or "--name=value"; options anywhere among the operands.
constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"render", required_argument, nullptr, kRender},
    {"scene", required_argument, nullptr, kScene},
    {"fps", required_argument, nullptr, kFps},
    {"size", required_argument, nullptr, kSize},
    {"seconds", required_argument, nullptr, kSeconds},
    {"listen", optional_argument, nullptr, kListen},
    {"max-fps", required_argument, nullptr, kMaxFps},
    {"fullscreen", no_argument, nullptr, kFullscreen},
    {"background", no_argument, nullptr, kBackground},
    {"monitor", required_argument, nullptr, kMonitor},
    {"samples", required_argument, nullptr, kSamples},
    {"no-config", no_argument, nullptr, kNoConfig},
    {"order", required_argument, nullptr, kOrder},
    {"start", required_argument, nullptr, kStart},
    {"preset", required_argument, nullptr, kPreset},
    {"format", required_argument, nullptr, kFormat},
    {"jobs", required_argument, nullptr, kJobs},
    {"shard", required_argument, nullptr, kShard},
    {"shard-count", required_argument, nullptr, kShardCount},
    {"quality", required_argument, nullptr, kQuality},
    {"video-bitrate", required_argument, nullptr, kVideoBitrate},
    {"codec", required_argument, nullptr, kCodec},
    {"display", required_argument, nullptr, kWindowOption},
    {"geometry", required_argument, nullptr, kWindowOption},
    {"direct", no_argument, nullptr, kWindowOption},
    {"indirect", no_argument, nullptr, kWindowOption},
    {"iconic", no_argument, nullptr, kWindowOption},
    {"gldebug", no_argument, nullptr, kWindowOption},
    {"sync", no_argument, nullptr, kWindowOption},
    {nullptr, 0, nullptr, 0},
};

CommandLine answer(CommandLine::Action action) {
    CommandLine line;
    line.action = action;
    return line;
}

CommandLine refuse(std::string error, bool showUsage) {
    CommandLine refused;
    refused.action = CommandLine::Action::Refuse;
    refused.error = std::move(error);
    refused.showUsage = showUsage;
    return refused;
}

// A whole number within [low, high], all of `text`.
bool wholeNumber(const std::string& text, long low, long high, long& number) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) return false;
    number = value;
    return true;
}

bool wholeNumber(const std::string& text, int low, int high, int& number) {
    long value = 0;
    if (!wholeNumber(text, static_cast<long>(low), static_cast<long>(high), value)) return false;
    number = static_cast<int>(value);
    return true;
}

FrameRate reduced(long numerator, long denominator) {
    const long divisor = std::gcd(numerator, denominator);
    return FrameRate{static_cast<int>(numerator / divisor), static_cast<int>(denominator / divisor)};
}

// "N/D" as it stands; decimals exactly, but for the television rates that
// decimals only round (29.97 is 30000/1001, 23.976 is 24000/1001).
bool frameRate(const std::string& text, FrameRate& rate) {
    constexpr long kMost = 1'000'000;
    long numerator = 0, denominator = 1;
    if (const std::size_t slash = text.find('/'); slash != std::string::npos) {
        if (!wholeNumber(text.substr(0, slash), 1L, kMost, numerator) ||
            !wholeNumber(text.substr(slash + 1), 1L, kMost, denominator)) {
            return false;
        }
    } else {
        const std::size_t point = text.find('.');
        const std::string whole = text.substr(0, point);
        const std::string decimals = point == std::string::npos ? "" : text.substr(point + 1);
        if (decimals.size() > 3 || (point != std::string::npos && decimals.empty())) return false;
        if (!wholeNumber(whole + decimals, 0L, kMost, numerator)) return false;
        for (std::size_t i = 0; i < decimals.size(); ++i) denominator *= 10;
        const double value = static_cast<double>(numerator) / denominator;
        const double television = std::round(value * 1.001);
        if (!decimals.empty() && std::fabs(value - television / 1.001) < 0.005) {
            numerator = static_cast<long>(television) * 1000;
            denominator = 1001;
        }
    }
    const double perSecond = static_cast<double>(numerator) / denominator;
    if (perSecond < 1 || perSecond > 240) return false;
    rate = reduced(numerator, denominator);
    return true;
}

// The shader scenes viz has, by name: "bars, radial" or "none".
std::string shaderSceneNames() {
    std::string names;
    for (const SceneFile& file : findSceneFiles(shaderSceneFolders())) names += (names.empty() ? "" : ", ") + file.name;
    return names.empty() ? "none" : names;
}

// The file of the shader scene `value` names: a .frag file, or a scene's
// name; "" for neither.
std::string shaderSceneFile(const std::string& value) {
    if (isSceneFileName(value)) return access(value.c_str(), R_OK) == 0 ? absolutePath(value) : "";
    const std::vector<SceneFile> files = findSceneFiles(shaderSceneFolders());
    const auto file = std::ranges::find(files, value, &SceneFile::name);
    return file != files.end() ? file->path : "";
}

// "  0, 9         " and the names, wrapped under each other within 80 columns.
std::string shaderKeysLine() {
    const std::string indent(15, ' ');
    std::string text = "  0, 9         shader scenes, forward and back:";
    std::size_t width = text.size();
    std::istringstream names(shaderSceneNames());
    for (std::string name; names >> name; width += name.size() + 1) {
        if (width + 1 + name.size() > 79) {
            text += "\n" + indent.substr(1);
            width = indent.size() - 1;
        }
        text += " " + name;
    }
    return text + "\n";
}

// The shapes the places people post videos to take.
struct SizePreset {
    std::string_view name;
    int width, height;
};
constexpr SizePreset kSizePresets[] = {
    {"square", 1080, 1080}, {"landscape", 1920, 1080}, {"vertical", 1080, 1920}, {"4k", 3840, 2160}};

// An option of a render into a folder; "" when its value is good.
std::string readBatchOption(int code, const std::string& value, CommandLine& line) {
    RenderBatchRequest& batch = line.batch;
    switch (code) {
        case kFormat:
            if (value != "mp4" && value != "mkv" && value != "webm") {
                return "--format takes mp4, mkv or webm, not '" + value + "'";
            }
            batch.format = value;
            return "";
        case kJobs:
            if (!wholeNumber(value, 1, 64, batch.jobs)) return "--jobs takes 1 to 64 songs at once, not '" + value + "'";
            return "";
        case kShard:
            if (const std::optional<Shard> shard = parseShard(value)) {
                batch.shard = *shard;
                line.shardGiven = true;
                return "";
            }
            return "--shard takes I/N, this task's number I from 0 to N-1 of N tasks, not '" + value + "'";
        default:
            if (!wholeNumber(value, 1, 1'000'000, line.shardCount)) {
                return "--shard-count takes the number of tasks, not '" + value + "'";
            }
            return "";
    }
}

bool namesAFolder(const std::string& path) {
    struct stat info {};
    return (!path.empty() && path.back() == '/') || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

// `viz --render OUTDIR/ SONG|FOLDER...`: every operand must be a song or a folder.
CommandLine renderingIntoFolder(CommandLine line, const std::vector<std::string>& operands) {
    if (operands.empty()) return refuse("--render into a folder needs the songs or folders to render", true);
    // Said once here rather than once for every song.
    if (line.batch.format == "webm" && line.render.codec == VideoCodec::H264) {
        return refuse("--format webm takes --codec vp9 or av1, not h264", false);
    }
    for (const std::string& place : operands) {
        if (place.empty()) return refuse("a folder or song name is empty", true);
        struct stat info {};
        // A song that cannot be read is a failure of its own: the others go on.
        // Full paths: a song named twice, once as ./a.mp3, is still one song.
        if (stat(place.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            line.batch.places.push_back(absolutePath(place));
            continue;
        }
        if (Problem problem = placeProblem(place)) return refuse(problem.message(), false);
        line.batch.places.push_back(absolutePath(place));
    }
    line.action = CommandLine::Action::RenderBatch;
    line.batch.outputFolder = line.render.output;
    line.batch.render = line.render;
    return line;
}

// Bits a second: "8M", "2500k", "2.5M" or "800000", from 10k to 1000M.
bool bitrate(const std::string& text, long long& bits) {
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || !std::isfinite(number)) return false;
    const std::string unit = end;
    const double scale = unit.empty() ? 1 : unit == "k" || unit == "K" ? 1e3 : unit == "M" || unit == "m" ? 1e6 : 0;
    const double value = number * scale;
    if (!(value >= 10e3 && value <= 1000e6)) return false;
    bits = std::llround(value);
    return true;
}

// A render option's value; "" when it is good.
std::string readRenderOption(int code, const std::string& value, RenderRequest& render) {
    switch (code) {
        case kScene:
            if (wholeNumber(value, -1'000'000, 1'000'000, render.scene) && isRenderableScene(render.scene)) return "";
            if (render.shader = shaderSceneFile(value); !render.shader.empty()) {
                render.scene = kShaderScene;
                return "";
            }
            return "no scene '" + value + "': " + renderableSceneList() + ", a shader scene (" + shaderSceneNames() +
                   ") or a .frag file";
        case kFps:
            if (!frameRate(value, render.fps)) {
                return "--fps takes 1 to 240 frames a second (30, 29.97 or 30000/1001), not '" + value + "'";
            }
            return "";
        case kSize: {
            const std::size_t x = value.find('x');
            // Even sides: the video's colour is stored at half resolution.
            if (x == std::string::npos || !wholeNumber(value.substr(0, x), 16, 4096, render.width) ||
                !wholeNumber(value.substr(x + 1), 16, 4096, render.height) || render.width % 2 != 0 ||
                render.height % 2 != 0) {
                return "--size takes WIDTHxHEIGHT, even numbers from 16 to 4096, not '" + value + "'";
            }
            return "";
        }
        case kPreset: {
            const auto preset = std::ranges::find(kSizePresets, value, &SizePreset::name);
            if (preset == std::end(kSizePresets)) {
                return "--preset takes square, landscape, vertical or 4k, not '" + value + "'";
            }
            render.width = preset->width;
            render.height = preset->height;
            return "";
        }
        case kQuality:
            if (value == "draft" || value == "good" || value == "best") {
                render.quality = value == "draft" ? Quality::Draft : value == "good" ? Quality::Good : Quality::Best;
                return "";
            }
            return "--quality takes draft, good or best, not '" + value + "'";
        case kVideoBitrate:
            if (!bitrate(value, render.bitrate)) {
                return "--video-bitrate takes bits a second from 10k to 1000M (8M, 2500k), not '" + value + "'";
            }
            return "";
        case kCodec:
            if (value == "h264" || value == "vp9" || value == "av1") {
                render.codec = value == "h264" ? VideoCodec::H264 : value == "vp9" ? VideoCodec::Vp9 : VideoCodec::Av1;
                return "";
            }
            return "--codec takes h264, vp9 or av1, not '" + value + "'";
        default: {
            char* end = nullptr;
            render.seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(render.seconds > 0) || render.seconds > 86400) {
                return "--seconds takes a time above 0, not '" + value + "'";
            }
            return "";
        }
    }
}

// What is left after the options: the folders and songs to play, or the song to render.
CommandLine withOperands(CommandLine line, const std::vector<std::string>& operands, bool renderOptionSeen,
                         bool batchOptionSeen) {
    if (line.action == CommandLine::Action::Render) {
        if (line.listen) return refuse("--listen and --render go apart", true);
        if (line.maximumFrameRate > 0) return refuse("--max-fps goes with the window; a video's rate is --fps", true);
        if (line.fullscreen || line.background || !line.monitor.empty()) {
            return refuse("--fullscreen, --background and --monitor go with the window, not --render", true);
        }
        if (line.startSeconds > 0) return refuse("--start goes with the songs played, not --render", true);
        if (line.samples != kSamplesUnasked) line.render.samples = line.samples;
        if (namesAFolder(line.render.output)) return renderingIntoFolder(std::move(line), operands);
        if (batchOptionSeen) return refuse("--format, --jobs, --shard and --shard-count go with --render OUTDIR/", true);
        if (operands.empty()) return refuse("--render needs OUT and SONG", true);
        if (operands.size() > 1) {
            return refuse("--render to a file takes one song, not '" + operands[0] + "' and '" + operands[1] +
                              "': render many into a folder, OUTDIR/",
                          true);
        }
        line.render.song = operands[0];
        return line;
    }
    if (renderOptionSeen || batchOptionSeen) {
        return refuse("--" + line.firstRenderOption + " and the other video options go with --render", true);
    }
    if (line.fullscreen && line.background) return refuse("--fullscreen and --background go apart", true);
    if (line.listen) {
        if (!operands.empty()) return refuse("--listen plays no folder; a source is named as --listen=SOURCE", true);
        if (line.startSeconds > 0) return refuse("--start goes with the songs played, not --listen", true);
        return line;
    }
    for (const std::string& place : operands) {
        if (place.empty()) return refuse("a folder or song name is empty", true);
        if (Problem problem = placeProblem(place)) return refuse(problem.message(), false);
        line.places.push_back(absolutePath(place));
    }
    return line;
}
}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    // getopt moves the operands behind the options: it works on copies.
    std::vector<std::string> words(argv, argv + argc);
    std::vector<char*> arguments;
    for (std::string& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);

    CommandLine line;
    bool renderOptionSeen = false;
    bool batchOptionSeen = false;
    optind = 0;  // glibc: start afresh, as a second parse in one process must
    opterr = 0;  // the messages are ours
    for (;;) {
        int index = -1;
        const int code = getopt_long_only(argc, arguments.data(), ":h", kOptions, &index);
        if (code == -1) break;
        const char* word = arguments[optind - 1];
        if (index >= 0) line.optionsGiven.emplace_back(kOptions[index].name);
        switch (code) {
            case kHelp:
                return answer(CommandLine::Action::ShowHelp);
            case kVersion:
                return answer(CommandLine::Action::ShowVersion);
            case kRender:
                line.action = CommandLine::Action::Render;
                line.render.output = optarg;
                break;
            case kScene:
            case kFps:
            case kSize:
            case kPreset:
            case kSeconds:
            case kQuality:
            case kVideoBitrate:
            case kCodec:
                if (!renderOptionSeen && !batchOptionSeen) line.firstRenderOption = kOptions[index].name;
                renderOptionSeen = true;
                if (std::string problem = readRenderOption(code, optarg, line.render); !problem.empty()) {
                    return refuse(problem, false);
                }
                break;
            case kFormat:
            case kJobs:
            case kShard:
            case kShardCount:
                if (!renderOptionSeen && !batchOptionSeen) line.firstRenderOption = kOptions[index].name;
                batchOptionSeen = true;
                if (std::string problem = readBatchOption(code, optarg, line); !problem.empty()) {
                    return refuse(problem, false);
                }
                break;
            case kListen:
                line.listen = true;
                if (optarg != nullptr) line.listenSource = optarg;
                break;
            case kMaxFps:
                if (!wholeNumber(optarg, 1, 1000, line.maximumFrameRate)) {
                    return refuse(std::string("--max-fps takes 1 to 1000 frames a second, not '") + optarg + "'", false);
                }
                break;
            case kFullscreen:
                line.fullscreen = true;
                break;
            case kBackground:
                line.background = true;
                break;
            case kMonitor:
                if (*optarg == '\0') return refuse("--monitor takes a number or a name, as xrandr --listmonitors shows", false);
                line.monitor = optarg;
                break;
            case kSamples:
                if (!wholeNumber(optarg, 0, 32, line.samples)) {
                    return refuse(std::string("--samples takes 0 to 32 samples a pixel, not '") + optarg + "'", false);
                }
                break;
            case kNoConfig:
                line.readsSettings = false;
                break;
            case kOrder: {
                const std::string order = optarg;
                if (order != "folder" && order != "name" && order != "shuffle") {
                    return refuse("--order takes folder, name or shuffle, not '" + order + "'", false);
                }
                line.order = order == "name" ? SongOrder::Name : order == "shuffle" ? SongOrder::Shuffle : SongOrder::Folder;
                break;
            }
            case kStart: {
                char* end = nullptr;
                line.startSeconds = std::strtod(optarg, &end);
                if (end == optarg || *end != '\0' || !std::isfinite(line.startSeconds) || line.startSeconds < 0) {
                    return refuse(std::string("--start takes the seconds into the first song, not '") + optarg + "'",
                                  false);
                }
                break;
            }
            case kWindowOption:
                line.windowOptions.push_back(std::string("-") + kOptions[index].name);
                if (optarg != nullptr) line.windowOptions.push_back(optarg);
                break;
            case ':':
                return refuse(std::string("option '") + word + "' needs a value", true);
            default:
                // A value given to an option that takes none: getopt names
                // the option's code, which is no letter.
                if (const char* equals = std::strchr(word, '='); equals != nullptr && optopt != 0) {
                    return refuse("option '" + std::string(word, equals) + "' takes no value", true);
                }
                // A short option carries its letter; a long one is the word.
                if (optopt != 0) return refuse(std::string("unknown option '-") + char(optopt) + "'", true);
                return refuse(std::string("unknown option '") + word + "'", true);
        }
    }
    const std::vector<std::string> operands(arguments.begin() + optind, arguments.end() - 1);
    return withOperands(std::move(line), operands, renderOptionSeen, batchOptionSeen);
}

Problem placeProblem(const std::string& place) {
    struct stat info {};
    if (stat(place.c_str(), &info) != 0) {
        return "cannot open '" + place + "': " + std::strerror(errno);
    }
    if (S_ISREG(info.st_mode)) {
        if (!isSongName(place)) return "'" + place + "' is neither a folder nor a song viz plays";
        if (access(place.c_str(), R_OK) != 0) return "cannot read '" + place + "': " + std::strerror(errno);
        return {};
    }
    if (!S_ISDIR(info.st_mode)) return "'" + place + "' is neither a folder nor a song viz plays";
    DIR* listing = opendir(place.c_str());
    if (listing == nullptr) return "cannot read '" + place + "': " + std::strerror(errno);
    closedir(listing);
    return {};
}

std::string usageText() {
    char keys[16], scenes[32];
    std::snprintf(keys, sizeof keys, "%-12s", numberedKeyRange(" ... ").c_str());
    std::snprintf(scenes, sizeof scenes, "scenes %s", numberedKeyRange(" to ").c_str());
    return std::string("Usage: viz [FOLDER or SONG]...\n"
           "Plays the songs named and those under each FOLDER, at any depth, and\n"
           "draws the music: MP3, FLAC, Ogg Vorbis, Opus, AAC (.m4a, .aac) and WAV.\n"
           "With neither: the media folder beside the program; else your music\n"
           "folder (XDG_MUSIC_DIR, or ~/Music); else the demo songs installed with viz.\n"
           "\n"
           "  Enter        title, then song selection, then scene 0\n"
           "  Left, Right  on the song selection: the previous or next song, at once\n"
           "               (listening: the previous or next thing to listen to)\n"
           "  1            back to the song selection (the song plays on)\n"
           "  ") + keys + " " + scenes + "\n" +
           "  mouse click  scenes " + clickCycleList() + " in turn\n" + shaderKeysLine() +
           "  f, F11       fullscreen, or back; Escape leaves it\n"
           "  Space        pause, and play on\n"
           "  q            quit\n"
           "\n"
           "  --max-fps N  at most N frames a second (at most 30 while the window is\n"
           "               minimised or covered, whatever N)\n"
           "  --order O    folder (as the folders list them, by default), name (track\n"
           "               numbers in order: 2 before 10) or shuffle\n"
           "  --start S    the first song from S seconds into it\n"
           "  --fullscreen start fullscreen\n"
           "  --monitor M  on monitor M: its number from 0 or its name, as\n"
           "               xrandr --listmonitors shows them\n"
           "  --background be the desktop's background, below every window (X11)\n"
           "  --samples N  smooth edges with N samples a pixel, also in videos; 0 for\n"
           "               none; default 4 (in the window on software GL: none)\n"
           "  --no-config  without the settings file (~/.config/viz/viz.conf)\n"
           "  -h, --help   this text\n"
           "  --version    the version\n"
           "\n"
           "viz --listen[=SOURCE]\n"
           "Draws what the desktop plays, in step with the speaker: by default what\n"
           "the default output plays; SOURCE is a sound server's source name.\n"
           "\n"
           "viz --render OUT SONG [--scene N] [--fps N] [--size WxH] [--seconds S]\n"
           "Writes a video of SONG's pictures, with its sound, to OUT (.mp4, .mkv or\n"
           ".webm); needs no window or display. Options go before or after SONG.\n"
           "viz --render OUTDIR/ SONG|FOLDER... [--format F] [--jobs N] [--shard I/N]\n"
           "Renders each song to OUTDIR/NAME.F (mp4, mkv or webm; default mp4), N at\n"
           "once; a video newer than its song is kept. --shard I/N renders the songs\n"
           "whose place in the sorted list is I modulo N; without it, a job array's\n"
           "task takes its number from Kubernetes (with --shard-count N or\n"
           "VIZ_SHARD_COUNT), Slurm, AWS Batch (likewise) or Cloud Run. Both take:\n"
           "  --scene N    " + renderableSceneList() + "; default " + std::to_string(RenderRequest{}.scene) + ";\n" +
           "               or a shader scene's NAME, or any FILE.frag\n" +
           "  --fps N      frames a second, such as 30, 29.97 or 30000/1001; default 60\n"
           "  --size WxH   default 1080x1080, drawn at that size\n"
           "  --preset P   square (1080x1080), landscape (1920x1080), vertical\n"
           "               (1080x1920) or 4k (3840x2160)\n"
           "  --seconds S  default: the whole song; past its end, pictures of silence\n"
           "  --samples N  smooth edges, as in the window; default 4\n"
           "  --quality Q  draft (quickest), good (default; what video sites take well)\n"
           "               or best (finer still, about twice as slow)\n"
           "  --video-bitrate RATE  bits a second, such as 8M or 2500k, instead of\n"
           "               the quality's constant quality\n"
           "  --codec C    h264 (default), vp9 (default for .webm) or av1\n"
           "X options such as -display NAME and -sync go to the window system.\n";
}
