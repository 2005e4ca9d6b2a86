// Where the music is when no folder is named, in the order a user expects:
// the media folder beside the program, the user's music folder as
// xdg-user-dirs names it, the installed demo songs.
#include <gtest/gtest.h>

#include <filesystem>

#include "media/music_folder.h"
#include "tools/mp3_maker.h"
#include "tools/mp3_writer.h"

namespace {
void writeText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(writeBytes(path, std::vector<unsigned char>(text.begin(), text.end()))) << path;
}
}  // namespace

TEST(MusicFolder, BesideTheProgramThenTheUsersMusicThenTheDemos) {
    mp3::TempFolder root;
    const std::string home = root / "home", program = root / "bin/media", demos = root / "share/viz/media";
    for (const std::string& folder : {home, root / "bin", demos}) std::filesystem::create_directories(folder);
    MusicPlaces places{.besideProgram = program, .home = home, .installedDemos = demos};

    EXPECT_EQ(musicFolder(places), demos) << "no media folder, no music folder";
    ASSERT_TRUE(mp3::makeFolder(home + "/Music"));
    EXPECT_EQ(musicFolder(places), home + "/Music");
    ASSERT_TRUE(mp3::makeFolder(program));
    EXPECT_EQ(musicFolder(places), program) << "the media folder beside the program comes first, as ever";
}

TEST(MusicFolder, TheUsersMusicFolderIsWhereXdgUserDirsSays) {
    mp3::TempFolder root;
    const std::string home = root / "home";
    std::filesystem::create_directories(home + "/.config");
    MusicPlaces places{.home = home};
    EXPECT_EQ(userMusicFolder(places), home + "/Music") << "without user-dirs.dirs";

    writeText(home + "/.config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                               "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    EXPECT_EQ(userMusicFolder(places), home + "/Musik");
    writeText(home + "/.config/user-dirs.dirs", "XDG_MUSIC_DIR=\"/srv/audio\"\n");
    EXPECT_EQ(userMusicFolder(places), "/srv/audio");
    writeText(home + "/.config/user-dirs.dirs", "XDG_MUSIC_DIR=\"relative/music\"\n");
    EXPECT_EQ(userMusicFolder(places), home + "/Music") << "a value xdg-user-dirs would not write";

    places.configHome = root / "elsewhere";
    ASSERT_TRUE(mp3::makeFolder(places.configHome));
    writeText(places.configHome + "/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Sounds\"\n");
    EXPECT_EQ(userMusicFolder(places), home + "/Sounds") << "XDG_CONFIG_HOME holds the file";
    places.musicDirectory = root / "from-the-environment";
    EXPECT_EQ(userMusicFolder(places), places.musicDirectory);
}
