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

TEST(LastThreeChars, CopiesTheEndOrLeavesTheKeyAlone) {
    char key[4] = {'k', 'e', 'y', '\0'};
    lastThreeChars("ab", key);
    EXPECT_STREQ(key, "key");
    lastThreeChars("song.mp3", key);
    EXPECT_STREQ(key, "mp3");
    lastThreeChars("MP3", key);
    EXPECT_STREQ(key, "MP3");
}
