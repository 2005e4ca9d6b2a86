// The selection screen with real songs behind it: every step it accepts
// starts a new stream, so the stream handle tells what was played.
#include <chrono>
#include <thread>

#include "app/controls.h"
#include "app/figures.h"
#include "app/song_selection.h"
#include "app/song_source.h"
#include "tests/support/gl_test.h"
#include "tools/mp3_maker.h"

namespace {
class SelectionScreen : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        testing::internal::CaptureStdout();  // the no-sound-card notice
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        GlTest::TearDown();
    }
    void makeSongs(int count) {
        playback.songList.clear();
        for (int i = 0; i < count; ++i) {
            playback.songList.push_back(folder / ("song " + std::to_string(i) + ".mp3"));
            ASSERT_TRUE(mp3::write(playback.songList.back(), 5.0, mp3::silence()));
        }
    }
    void frame() {
        playback.settleSongStart();
        figures.selection.follow(songs, controls.toggles);
        figures.selection.draw(figures.banner);
        figures.banner.advance(0.016f);
    }
    // The frames it takes to open the song just started.
    void settle() {
        while (!playback.settleSongStart()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void right() { controls.apply({WindowEvent::Kind::RightArrowUp}, figures.banner); }
    void left() { controls.apply({WindowEvent::Kind::LeftArrowUp}, figures.banner); }

    mp3::TempFolder folder;
    SongSource songs;
    Playback& playback = songs.playback;
    Figures figures;
    Controls controls;
};
}  // namespace

TEST_F(SelectionScreen, ArrowsStepThroughThreeSongsWithoutWrapping) {
    makeSongs(3);
    right();  // before the screen was ever shown: not counted
    frame();
    EXPECT_EQ(playback.currentSongIndex, 0u);
    EXPECT_EQ(figures.selection.selectionCaption, "song 0");
    settle();
    EXPECT_TRUE(playback.songPlaying);
    std::uint32_t played = playback.streamHandle;
    ASSERT_NE(played, 0u);

    left();
    frame();
    EXPECT_EQ(playback.currentSongIndex, 0u) << "Left from the first song does nothing";
    EXPECT_EQ(playback.streamHandle, played);

    for (unsigned expected : {1u, 2u}) {
        right();
        frame();
        EXPECT_EQ(playback.currentSongIndex, expected);
        EXPECT_EQ(figures.selection.selectionCaption, "song " + std::to_string(expected));
        EXPECT_NE(playback.streamHandle, played) << "each step starts its song";
        played = playback.streamHandle;
    }
    right();
    frame();
    EXPECT_EQ(playback.currentSongIndex, 2u) << "Right stops at the last song";
    EXPECT_EQ(playback.streamHandle, played) << "and starts nothing";
}

TEST_F(SelectionScreen, ReleasesBetweenFramesCountByTheirParity) {
    makeSongs(3);
    frame();
    const std::uint32_t first = playback.streamHandle;
    right();
    right();
    frame();
    EXPECT_EQ(playback.currentSongIndex, 0u) << "two releases cancel";
    EXPECT_EQ(playback.streamHandle, first);

    right();
    left();
    frame();
    EXPECT_EQ(playback.currentSongIndex, 0u) << "a Right and a Left in one frame";
    EXPECT_NE(playback.streamHandle, first) << "restart the selected song";
}

TEST_F(SelectionScreen, ReturningShowsThePlayingSongAndRestartsNothing) {
    makeSongs(5);
    frame();
    playback.currentSongIndex = 4;  // the song advanced while another scene was shown
    const std::uint32_t playing = playback.streamHandle;
    frame();
    EXPECT_EQ(figures.selection.selectionCaption, "song 4");
    EXPECT_EQ(playback.streamHandle, playing);
}

TEST_F(SelectionScreen, OneSongOrNoneLeaveTheArrowsIdle) {
    makeSongs(1);
    frame();
    const std::uint32_t only = playback.streamHandle;
    right();
    frame();
    left();
    frame();
    EXPECT_EQ(playback.currentSongIndex, 0u);
    EXPECT_EQ(playback.streamHandle, only);
}

TEST_F(SelectionScreen, AnEmptyLibrarySaysSoAndPlaysNothing) {
    playback.songList.clear();
    frame();
    right();
    frame();
    EXPECT_EQ(figures.selection.selectionCaption, "No MP3s found.");
    EXPECT_FALSE(playback.songPlaying);
    EXPECT_EQ(playback.streamHandle, 0u);
    EXPECT_EQ(playback.currentSongIndex, 0u);
}

TEST_F(SelectionScreen, CaptionFillsThreeFifthsOfTheWidthOnTheMiddleLine) {
    const CaptionLayout layout = captionLayout(14);
    EXPECT_NEAR(layout.margin, 491.3244f, 1e-3);
    EXPECT_NEAR(layout.side, 2449.2888f, 1e-3);
    EXPECT_NEAR(captionLayout(28).side, 2 * layout.side, 1e-2) << "twice the name, half the letters";

    playback.songList.clear();
    glColor3f(1, 0, 0);
    const auto lines = gltest::captureFeedback([this] { frame(); });
    float left = 1e9f, right = -1e9f, bottom = 1e9f;
    for (const auto& line : lines) {
        for (const auto& v : line.vertices) {
            if (v.y < 20) continue;  // the hint in the banner
            left = std::min(left, v.x);
            right = std::max(right, v.x);
            bottom = std::min(bottom, v.y);
        }
    }
    EXPECT_NEAR((left + right) / 2, 250, 5) << "centred";
    EXPECT_NEAR((right - left) / 500, 1 / 1.67, 0.03) << "about 60 % of the width";
    EXPECT_NEAR(bottom, 250, 3) << "baseline on the middle line";
}

TEST_F(SelectionScreen, ACaptionBeyondAsciiIsLaidOutByCharacters) {
    // 4 characters in 12 bytes: counted as bytes, it would fill a fifth.
    figures.selection.selectionCaption = "東京の夜";
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    figures.selection.draw(figures.banner);
    int left = 500, right = -1;
    for (int y = 230; y < 300; ++y) {
        for (int x = 0; x < 500; ++x) {
            if (gltest::readPixel(x, y).r < 128) continue;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    EXPECT_NEAR((left + right) / 2.0, 250, 5) << "centred";
    EXPECT_NEAR((right - left) / 500.0, 1 / 1.67, 0.05) << "about 60 % of the width";
}
