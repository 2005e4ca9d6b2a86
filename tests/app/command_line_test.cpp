#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/settings_file.h"
#include "media/song_names.h"
#include "tools/mp3_maker.h"

namespace {
using Action = CommandLine::Action;

struct Case {
    std::vector<std::string> arguments;  // after the program's name; "{dir}" is a real folder
    Action action;
    std::vector<std::string> places;
    std::string errorMentions;  // for refusals
    bool usage = false;
};

void PrintTo(const Case& c, std::ostream* out) {
    if (c.arguments.empty()) *out << "(no arguments)";
    for (std::size_t i = 0; i < c.arguments.size(); ++i) *out << (i > 0 ? " " : "") << c.arguments[i];
}

class CommandLineParsing : public ::testing::TestWithParam<Case> {};

std::string replaced(std::string text, const std::string& folder) {
    for (const auto& [name, value] : {std::pair{std::string("{dir}"), folder}, std::pair{std::string("{song}"), folder + "/song.mp3"},
                                      std::pair{std::string("{text}"), folder + "/notes.txt"}}) {
        for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
    }
    return text;
}
}  // namespace

TEST_P(CommandLineParsing, GivesTheActionPlacesAndMessage) {
    mp3::TempFolder temp;
    std::ofstream(temp / "song.mp3") << "x";
    std::ofstream(temp / "notes.txt") << "x";
    std::vector<std::string> words = {"viz"};
    for (const std::string& argument : GetParam().arguments) words.push_back(replaced(argument, temp.path()));
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());

    const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(line.action, GetParam().action);
    std::vector<std::string> places;
    for (const std::string& place : GetParam().places) places.push_back(replaced(place, temp.path()));
    EXPECT_EQ(line.places, places);
    if (GetParam().action == Action::Refuse) {
        EXPECT_NE(line.error.find(replaced(GetParam().errorMentions, temp.path())), std::string::npos)
            << line.error;
        EXPECT_EQ(line.error.find('\n'), std::string::npos) << "one line";
        EXPECT_EQ(line.showUsage, GetParam().usage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineParsing,
    ::testing::Values(
        Case{{}, Action::Run, {}, ""},
        Case{{"{dir}"}, Action::Run, {"{dir}"}, ""},
        Case{{"-display", ":7", "-sync", "{dir}", "-iconic"}, Action::Run, {"{dir}"}, ""},
        Case{{"{song}", "{dir}", "{song}"}, Action::Run, {"{song}", "{dir}", "{song}"}, ""},
        Case{{"--", "-display"}, Action::Refuse, {}, "'-display'"},
        Case{{"-h"}, Action::ShowHelp, {}, ""},
        Case{{"{dir}", "--help"}, Action::ShowHelp, {}, ""},
        Case{{"--version"}, Action::ShowVersion, {}, ""},
        Case{{"--volume"}, Action::Refuse, {}, "unknown option '--volume'", true},
        Case{{"-display"}, Action::Refuse, {}, "'-display' needs a value", true},
        Case{{"{dir}/missing"}, Action::Refuse, {}, "{dir}/missing", false},
        Case{{"{song}", "{text}"}, Action::Refuse, {}, "'{text}' is neither a folder nor a song", false},
        Case{{"/dev/null"}, Action::Refuse, {}, "'/dev/null' is neither a folder nor a song", false},
        Case{{"--render", "out.mp4", "song.mp3"}, Action::Render, {}, ""},
        Case{{"--render", "out.mp4"}, Action::Refuse, {}, "--render needs OUT and SONG", true},
        Case{{"--render", "o.mp4", "s.mp3", "--scene", "9"}, Action::Refuse, {}, "no scene '9'", false},
        Case{{"--render", "o.mp4", "s.mp3", "--fps=0"}, Action::Refuse, {}, "--fps takes 1 to 240", false},
        Case{{"--render", "o.mp4", "s.mp3", "--fps", "24.5.1"}, Action::Refuse, {}, "--fps takes 1 to 240", false},
        Case{{"--render", "o.mp4", "s.mp3", "--fps", "1/0"}, Action::Refuse, {}, "--fps takes 1 to 240", false},
        Case{{"--render", "o.mp4", "a.mp3", "b.mp3"}, Action::Refuse, {}, "one song, not 'a.mp3' and 'b.mp3'", true},
        Case{{"--render"}, Action::Refuse, {}, "'--render' needs a value", true},
        Case{{"--render", "o.mp4", "s.mp3", "--size", "321x240"}, Action::Refuse, {}, "even numbers", false},
        Case{{"--fps", "30"}, Action::Refuse, {}, "go with --render", true},
        Case{{"--listen", "{dir}"}, Action::Refuse, {}, "--listen plays no folder", true},
        Case{{"--listen", "--render", "o.mp4", "s.mp3"}, Action::Refuse, {}, "--listen and --render go apart", true},
        Case{{"--max-fps", "0"}, Action::Refuse, {}, "--max-fps takes 1 to 1000 frames a second, not '0'", false},
        Case{{"--max-fps=60x"}, Action::Refuse, {}, "not '60x'", false},
        Case{{"--render", "o.mp4", "s.mp3", "--max-fps", "30"}, Action::Refuse, {}, "a video's rate is --fps", true},
        Case{{"--fullscreen", "--background"}, Action::Refuse, {}, "--fullscreen and --background go apart", true},
        Case{{"--render", "o.mp4", "s.mp3", "--monitor", "1"}, Action::Refuse, {}, "not --render", true},
        Case{{"--monitor="}, Action::Refuse, {}, "--monitor takes a number or a name", false},
        Case{{"--samples", "64"}, Action::Refuse, {}, "--samples takes 0 to 32 samples a pixel, not '64'", false},
        Case{{"--order", "random"}, Action::Refuse, {}, "--order takes folder, name or shuffle, not 'random'", false},
        Case{{"--start", "-1"}, Action::Refuse, {}, "--start takes the seconds into the first song, not '-1'", false},
        Case{{"--start=1m"}, Action::Refuse, {}, "not '1m'", false},
        Case{{"--start", "nan"}, Action::Refuse, {}, "not 'nan'", false},
        Case{{"--listen", "--start", "3"}, Action::Refuse, {}, "--start goes with the songs played, not --listen", true},
        Case{{"--render", "o.mp4", "s.mp3", "--start", "3"}, Action::Refuse, {}, "not --render", true},
        Case{{"--render", "o.mp4", "s.mp3", "--quality", "high"}, Action::Refuse, {}, "--quality takes draft, good or best, not 'high'", false},
        Case{{"--render", "o.mp4", "s.mp3", "--video-bitrate", "8G"}, Action::Refuse, {}, "--video-bitrate takes bits a second from 10k to 1000M (8M, 2500k), not '8G'", false},
        Case{{"--render", "o.mp4", "s.mp3", "--video-bitrate=5k"}, Action::Refuse, {}, "not '5k'", false},
        Case{{"--render", "o.mp4", "s.mp3", "--video-bitrate", "M"}, Action::Refuse, {}, "not 'M'", false},
        Case{{"--render", "o.mp4", "s.mp3", "--codec", "hevc"}, Action::Refuse, {}, "--codec takes h264, vp9 or av1, not 'hevc'", false},
        Case{{"--quality", "best"}, Action::Refuse, {}, "go with --render", true},
        Case{{"--render", "out/", "{dir}"}, Action::RenderBatch, {}, ""},
        Case{{"--render", "out/", "{dir}", "--format", "mov"}, Action::Refuse, {}, "--format takes mp4, mkv or webm, not 'mov'", false},
        Case{{"--render", "out/", "{dir}", "--jobs", "0"}, Action::Refuse, {}, "--jobs takes 1 to 64", false},
        Case{{"--render", "out/", "{dir}", "--shard", "3/3"}, Action::Refuse, {}, "--shard takes I/N", false},
        Case{{"--render", "out/", "{dir}", "--format", "webm", "--codec", "h264"}, Action::Refuse, {}, "--format webm takes --codec vp9 or av1", false},
        Case{{"--render", "o.mp4", "s.mp3", "--jobs", "2"}, Action::Refuse, {}, "go with --render OUTDIR/", true},
        Case{{"--jobs", "2"}, Action::Refuse, {}, "--jobs and the other video options go with --render", true}));

TEST(CommandLineSongs, StartsTheFirstSongWhereAsked) {
    const char* asked[] = {"viz", "--start", "90.5"};
    const CommandLine line = parseCommandLine(3, asked);
    ASSERT_EQ(line.action, Action::Run) << line.error;
    EXPECT_DOUBLE_EQ(line.startSeconds, 90.5);
}

TEST(CommandLineWindow, TakesTheDesktopsOptions) {
    const char* asked[] = {"viz", "--fullscreen", "--monitor", "HDMI-1", "--samples=0"};
    const CommandLine line = parseCommandLine(5, asked);
    ASSERT_EQ(line.action, Action::Run) << line.error;
    EXPECT_TRUE(line.fullscreen);
    EXPECT_EQ(line.monitor, "HDMI-1");
    EXPECT_EQ(line.samples, 0);
    const char* background[] = {"viz", "--listen", "--background"};
    EXPECT_TRUE(parseCommandLine(3, background).background);
    const char* render[] = {"viz", "--render", "o.mp4", "s.mp3", "--samples", "8"};
    EXPECT_EQ(parseCommandLine(6, render).render.samples, 8) << "videos are multisampled as asked";
    const char* plain[] = {"viz", "--render", "o.mp4", "s.mp3"};
    EXPECT_EQ(parseCommandLine(4, plain).render.samples, 4) << "and with four samples unless asked";
}

TEST(CommandLineMaxFps, CapsTheWindowWhileListeningOrPlaying) {
    const char* playing[] = {"viz", "--max-fps", "24"};
    const CommandLine capped = parseCommandLine(3, playing);
    ASSERT_EQ(capped.action, Action::Run) << capped.error;
    EXPECT_EQ(capped.maximumFrameRate, 24);
    const char* listening[] = {"viz", "--listen", "-max-fps=1000"};
    EXPECT_EQ(parseCommandLine(3, listening).maximumFrameRate, 1000);
    const char* plain[] = {"viz"};
    EXPECT_EQ(parseCommandLine(1, plain).maximumFrameRate, 0) << "uncapped unless asked";
}

// Listening to the default output, or to a source named after an equals sign.
TEST(CommandLineListen, TakesTheSourceAfterAnEqualsSign) {
    const char* plain[] = {"viz", "--listen"};
    const CommandLine toDefault = parseCommandLine(2, plain);
    EXPECT_EQ(toDefault.action, Action::Run);
    EXPECT_TRUE(toDefault.listen);
    EXPECT_EQ(toDefault.listenSource, "");
    const char* named[] = {"viz", "-display", ":3", "-listen=alsa_output.usb.monitor"};
    const CommandLine toNamed = parseCommandLine(4, named);
    EXPECT_TRUE(toNamed.listen);
    EXPECT_EQ(toNamed.listenSource, "alsa_output.usb.monitor");
    EXPECT_EQ(toNamed.windowOptions, (std::vector<std::string>{"-display", ":3"}));
}

TEST(CommandLineRender, TakesEveryOptionInEitherForm) {
    const char* argv[] = {"viz", "--render", "clip.mkv", "song.mp3", "--scene", "101", "--fps=30",
                          "--size", "320x240", "--seconds=2.5"};
    const CommandLine line = parseCommandLine(10, argv);
    ASSERT_EQ(line.action, Action::Render) << line.error;
    EXPECT_EQ(line.render.output, "clip.mkv");
    EXPECT_EQ(line.render.song, "song.mp3");
    EXPECT_EQ(line.render.scene, 101);
    EXPECT_EQ(line.render.fps.numerator, 30);
    EXPECT_EQ(line.render.fps.denominator, 1);
    EXPECT_EQ(line.render.width, 320);
    EXPECT_EQ(line.render.height, 240);
    EXPECT_EQ(line.render.seconds, 2.5);

    const char* plain[] = {"viz", "--render", "clip.mp4", "song.mp3"};
    const RenderRequest defaults = parseCommandLine(4, plain).render;
    EXPECT_EQ(defaults.scene, 3) << "the tunnel";
    EXPECT_EQ(defaults.fps.perSecond(), 60);
    EXPECT_EQ(defaults.width, 1080);
    EXPECT_EQ(defaults.height, 1080);
    EXPECT_EQ(defaults.seconds, 0) << "the whole song";
    EXPECT_EQ(defaults.quality, Quality::Good);
    EXPECT_EQ(defaults.codec, VideoCodec::Automatic) << "H.264, or VP9 in WebM";
    EXPECT_EQ(defaults.bitrate, 0) << "constant quality";
}

TEST(CommandLineRender, ReadsQualityCodecAndBitrate) {
    struct Case {
        std::vector<const char*> options;
        Quality quality;
        VideoCodec codec;
        long long bitrate;
    };
    for (const Case& c : {Case{{"--quality", "draft"}, Quality::Draft, VideoCodec::Automatic, 0},
                          Case{{"--quality=best", "--codec", "av1"}, Quality::Best, VideoCodec::Av1, 0},
                          Case{{"--video-bitrate", "8M", "--codec=vp9"}, Quality::Good, VideoCodec::Vp9, 8'000'000},
                          Case{{"--video-bitrate=2500k", "--codec", "h264"}, Quality::Good, VideoCodec::H264, 2'500'000},
                          Case{{"--video-bitrate", "2.5M"}, Quality::Good, VideoCodec::Automatic, 2'500'000},
                          Case{{"--video-bitrate", "800000"}, Quality::Good, VideoCodec::Automatic, 800'000}}) {
        std::vector<const char*> argv = {"viz", "--render", "clip.webm", "song.mp3"};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        ASSERT_EQ(line.action, Action::Render) << c.options[0] << ": " << line.error;
        EXPECT_EQ(line.render.quality, c.quality) << c.options[0];
        EXPECT_EQ(line.render.codec, c.codec) << c.options[0];
        EXPECT_EQ(line.render.bitrate, c.bitrate) << c.options[0];
    }
}

// Options anywhere, as GNU programs take them: before, between and after the
// operands, in either form; `--` makes the rest operands.
TEST(CommandLineRender, TakesOptionsBeforeAndAfterTheSong) {
    const std::vector<std::vector<const char*>> orders = {
        {"viz", "--render", "clip.mp4", "--scene", "4", "song.mp3", "--fps", "30"},
        {"viz", "--scene=4", "song.mp3", "--render=clip.mp4", "--fps=30"},
        {"viz", "song.mp3", "-fps", "30", "-render", "clip.mp4", "-scene", "4"},
        {"viz", "--fps", "30", "--scene", "4", "--render", "clip.mp4", "--", "song.mp3"},
    };
    for (const auto& argv : orders) {
        const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        ASSERT_EQ(line.action, Action::Render) << line.error;
        EXPECT_EQ(line.render.output, "clip.mp4");
        EXPECT_EQ(line.render.song, "song.mp3");
        EXPECT_EQ(line.render.scene, 4);
        EXPECT_EQ(line.render.fps.perSecond(), 30);
    }
    const char* dashSong[] = {"viz", "--render", "clip.mkv", "--", "-display"};
    EXPECT_EQ(parseCommandLine(5, dashSong).render.song, "-display") << "after --, a song named like an option";
}

TEST(CommandLineRender, TakesFractionalFrameRates) {
    const std::vector<std::pair<const char*, FrameRate>> rates = {
        {"29.97", {30000, 1001}}, {"23.976", {24000, 1001}}, {"59.94", {60000, 1001}},
        {"30000/1001", {30000, 1001}}, {"12.5", {25, 2}}, {"48/2", {24, 1}}, {"240", {240, 1}}};
    for (const auto& [text, expected] : rates) {
        const char* argv[] = {"viz", "--render", "clip.mp4", "song.mp3", "--fps", text};
        const CommandLine line = parseCommandLine(6, argv);
        ASSERT_EQ(line.action, Action::Render) << text << ": " << line.error;
        EXPECT_EQ(line.render.fps.numerator, expected.numerator) << text;
        EXPECT_EQ(line.render.fps.denominator, expected.denominator) << text;
    }
}

// freeglut gets its own options with their values, in order, and nothing
// else: not the folder, not a word after `--`.
TEST(CommandLineWindow, SetsTheXOptionsAsideForFreeglut) {
    mp3::TempFolder temp;
    const std::string folder = temp.path();
    const char* argv[] = {"viz", "-display", ":7", folder.c_str(), "--sync", "-geometry=+10+10"};
    const CommandLine line = parseCommandLine(6, argv);
    ASSERT_EQ(line.action, Action::Run) << line.error;
    EXPECT_EQ(line.places, std::vector<std::string>{folder});
    EXPECT_EQ(line.windowOptions, (std::vector<std::string>{"-display", ":7", "-sync", "-geometry", "+10+10"}));

    const char* operand[] = {"viz", "--", "-display"};
    const CommandLine afterDashes = parseCommandLine(3, operand);
    EXPECT_TRUE(afterDashes.windowOptions.empty());
    EXPECT_NE(afterDashes.error.find("cannot open '-display'"), std::string::npos) << afterDashes.error;
}

// The lines that name scenes are made from the scene table; they read as
// they always have.
TEST(CommandLineUsage, NamesTheScenesOfTheTable) {
    const std::string usage = usageText();
    for (const char* line : {"\n  2 ... 8      scenes 2 to 8\n", "\n  mouse click  scenes 0, 1, 2, 3 in turn\n",
                             "\n  --scene N    0 to 8, 100 (title) or 101 (song selection); default 3;\n"}) {
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    }
    const char* argv[] = {"viz", "--render", "o.mp4", "s.mp3", "--scene", "-1"};
    const std::string error = parseCommandLine(6, argv).error;
    EXPECT_EQ(error.rfind("no scene '-1': 0 to 8, 100 (title) or 101 (song selection), a shader scene (", 0), 0u) << error;
    EXPECT_TRUE(error.ends_with(") or a .frag file")) << error;
}

// A song named from its own folder, as the README's example names it, is
// stored from the root so its name shows; named twice, it plays twice.
TEST(CommandLinePlaces, StoresOperandsFromTheRoot) {
    mp3::TempFolder temp;
    std::ofstream(temp / "alpha.mp3") << "x";
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(temp.path());
    const char* argv[] = {"viz", "alpha.mp3", "./alpha.mp3", "."};
    const CommandLine line = parseCommandLine(4, argv);
    std::filesystem::current_path(before);
    const std::string song = temp / "alpha.mp3";
    EXPECT_EQ(line.places, (std::vector<std::string>{song, song, temp.path()}));
    EXPECT_EQ(displayName(line.places[0]), "alpha");
}

namespace {
CommandLine withSettings(const std::string& file, std::vector<std::string> arguments, const std::string& settings) {
    std::ofstream(file) << settings;
    arguments.insert(arguments.begin(), "viz");
    std::vector<const char*> argv;
    for (const std::string& word : arguments) argv.push_back(word.c_str());
    return parseWithSettingsFile(static_cast<int>(argv.size()), argv.data(), file);
}
}  // namespace

TEST(SettingsFile, SetsWhatTheCommandLineLeavesOpen) {
    EXPECT_EQ(settingsFilePath("/cfg", "/home/u"), "/cfg/viz/viz.conf");
    EXPECT_EQ(settingsFilePath("", "/home/u"), "/home/u/.config/viz/viz.conf");

    mp3::TempFolder temp;
    const std::string file = temp / "viz.conf";
    const std::string settings = "# mine\n\n  max-fps = 60\nfullscreen\nsamples=2\nlisten=mic.monitor\norder=name\n";
    const CommandLine plain = withSettings(file, {}, settings);
    ASSERT_EQ(plain.action, Action::Run) << plain.error;
    EXPECT_EQ(plain.maximumFrameRate, 60);
    EXPECT_TRUE(plain.fullscreen);
    EXPECT_EQ(plain.samples, 2);
    EXPECT_EQ(plain.listenSource, "mic.monitor");
    EXPECT_EQ(plain.order, SongOrder::Name);

    // The command line wins, over a setting's opposite too; songs named are played, not listened past.
    const CommandLine overridden =
        withSettings(file, {"--max-fps", "30", "--background", "--order=shuffle", temp.path()}, settings);
    ASSERT_EQ(overridden.action, Action::Run) << overridden.error;
    EXPECT_EQ(overridden.maximumFrameRate, 30);
    EXPECT_TRUE(overridden.background);
    EXPECT_FALSE(overridden.fullscreen);
    EXPECT_FALSE(overridden.listen);
    EXPECT_EQ(overridden.samples, 2);
    EXPECT_EQ(overridden.order, SongOrder::Shuffle);

    const CommandLine render = withSettings(file, {"--render", "o.mp4", "s.mp3"}, settings);
    ASSERT_EQ(render.action, Action::Render) << render.error << ": a video takes the smoothing alone";
    EXPECT_EQ(render.render.samples, 2);

    const CommandLine ignored = withSettings(file, {"--no-config"}, settings);
    EXPECT_EQ(ignored.maximumFrameRate, 0);
    EXPECT_FALSE(ignored.listen);
    std::filesystem::remove(file);
    EXPECT_EQ(parseWithSettingsFile(1, std::vector<const char*>{"viz"}.data(), file).action, Action::Run)
        << "no file, no settings";
}

TEST(SettingsFile, ABadLineNamesTheFileAndTheLine) {
    mp3::TempFolder temp;
    const std::string file = temp / "viz.conf";
    for (const auto& [settings, message] : std::vector<std::pair<std::string, std::string>>{
             {"fullscreen\nmax-fps=0\n", ":2: --max-fps takes 1 to 1000 frames a second, not '0'"},
             {"volume=3\n", ":1: unknown option '--volume=3'"},
             {"\nfullscreen=yes\n", ":2: option '--fullscreen' takes no value"},
             {"render=out.mp4\n", ":1: 'render' is no setting"}}) {
        const CommandLine line = withSettings(file, {}, settings);
        EXPECT_EQ(line.action, Action::Refuse) << settings;
        EXPECT_EQ(line.error.rfind(file + message, 0), 0u) << line.error;
        EXPECT_FALSE(line.showUsage);
    }
    EXPECT_EQ(withSettings(file, {"--help"}, "max-fps=0\n").action, Action::ShowHelp) << "help needs no good file";
}
