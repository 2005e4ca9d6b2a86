#include "media/song_order.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(SongOrder, ByNameNumbersTracksAsPeopleDoAndAShuffleHasEachSongOnce) {
    const std::vector<std::string> found = {"/m/b/10 x.mp3", "/m/a/2 x.mp3", "/m/b/1 x.mp3", "/m/b/2 x.mp3",
                                            "/m/b/02 y.mp3", "/m/b/Intro.mp3"};
    std::vector<std::string> songs = found;
    orderSongs(songs, SongOrder::Folder, 1);
    EXPECT_EQ(songs, found) << "the folders' own order, untouched";
    orderSongs(songs, SongOrder::Name, 1);
    // "02" counts as 2: what follows the number decides.
    EXPECT_EQ(songs, (std::vector<std::string>{"/m/a/2 x.mp3", "/m/b/1 x.mp3", "/m/b/2 x.mp3", "/m/b/02 y.mp3",
                                               "/m/b/10 x.mp3", "/m/b/Intro.mp3"}));
    EXPECT_TRUE(naturallyBefore("track 9", "track 10"));
    EXPECT_FALSE(naturallyBefore("track 10", "track 9"));
    EXPECT_TRUE(naturallyBefore("disc", "disc 1"));

    std::vector<std::string> once = found, again = found;
    orderSongs(once, SongOrder::Shuffle, 42);
    orderSongs(again, SongOrder::Shuffle, 42);
    EXPECT_EQ(once, again) << "one run, one order";
    std::ranges::sort(once);
    std::vector<std::string> sorted = found;
    std::ranges::sort(sorted);
    EXPECT_EQ(once, sorted) << "every song once";
}
