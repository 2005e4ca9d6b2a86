#include <gtest/gtest.h>

#include "media/song_names.h"

TEST(DisplayName, DropsTheFolderAndTheLastFourCharacters) {
    EXPECT_EQ(displayName("/home/u/media/Best Of/01 - Intro.mp3"), "01 - Intro");
    EXPECT_EQ(displayName("/m/x.mp3"), "x");
    EXPECT_EQ(displayName("/m/notmp3"), "no");
    EXPECT_EQ(displayName("/m/live.mp3/song.flac.mp3"), "song.flac");
    EXPECT_EQ(displayName("/m/.mp3"), "");
    EXPECT_EQ(displayName("/m/mp3"), "");
    EXPECT_EQ(displayName("/m/"), "");
    EXPECT_EQ(displayName("no-folder.mp3"), "");
    EXPECT_EQ(displayName(""), "");
}

TEST(DisplayName, DropsTheEndingOfEveryOtherKind) {
    EXPECT_EQ(displayName("/m/Master.FLAC"), "Master");
    EXPECT_EQ(displayName("/m/a.b.opus"), "a.b");
    EXPECT_EQ(displayName("/m/voice.m4a"), "voice");
    EXPECT_EQ(displayName("/m/x.wav"), "x");
    EXPECT_EQ(displayName("/m/x.ogg.mp3"), "x.ogg");
}
