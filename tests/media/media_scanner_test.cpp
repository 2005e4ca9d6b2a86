#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/startup.h"
#include "media/media_scanner.h"
#include "media/playback.h"
#include "output/sound_engine.h"
#include "tools/mp3_maker.h"

namespace {
// The sound engine and the songs, as the live program has them.
SoundEngine soundEngine;
Playback playback(soundEngine);
}  // namespace

namespace fs = std::filesystem;
using mp3::TempFolder;

namespace {
void touch(const std::string& path) { ASSERT_TRUE(writeBytes(path, {'x'})) << path; }
void makeDir(const std::string& path) { ASSERT_TRUE(mp3::makeFolder(path)) << path; }

bool endsInMp3(const std::string& name) {
    return name.size() >= 3 && name.compare(name.size() - 3, 3, "mp3") == 0;
}

// MP3s as ever, and the other kinds by their endings in any letter case.
bool isSongFile(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* ending : {".flac", ".ogg", ".oga", ".opus", ".m4a", ".aac", ".wav"}) {
        const std::string e = ending;
        if (lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0) return true;
    }
    return endsInMp3(name);
}

// The expected walk, from the file system's own listing order: depth first,
// each folder's entries as readdir gives them, links not followed.
void referenceWalk(const std::string& folder, std::vector<std::string>& found) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        if (isSongFile(name)) found.push_back(path);
        if (entry->d_type == DT_DIR) referenceWalk(path, found);
    }
    closedir(dir);
}

std::vector<std::string> expectedSongList(const std::string& root) {
    std::vector<std::string> walk;
    referenceWalk(fs::canonical(root).string(), walk);
    std::reverse(walk.begin(), walk.end());
    return walk;
}

std::vector<std::string> scanFolder(const std::string& folder) {
    MediaScanner scanner;
    scanner.scan(folder);
    std::vector<std::string> list;
    scanner.appendMatchesTo(list);
    return list;
}

std::vector<std::string> sorted(std::vector<std::string> list) {
    std::sort(list.begin(), list.end());
    return list;
}

// Scans in a child process that has dropped root's right to read every
// folder, so unreadable folders are really unreadable.
std::vector<std::string> scanWithoutPrivileges(const std::string& folder) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {"pipe failed"};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        for (const std::string& path : scanFolder(folder)) {
            const std::string line = path + "\n";
            if (write(pipeFds[1], line.data(), line.size()) < 0) _exit(4);
        }
        _exit(0);
    }
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"child failed"};
    std::vector<std::string> list;
    for (std::size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos;
         start = end + 1) {
        list.push_back(output.substr(start, end - start));
    }
    return list;
}
}  // namespace

TEST(MediaScanner, MatchesTheLastThreeCharactersOfEveryEntry) {
    TempFolder media;
    for (const char* name : {"song.mp3", "song.MP3", "song.Mp3", "notmp3", "a.mp", ".mp3", "mp3",
                             "remp3", "cover.jpg", "mp"}) {
        touch(media / name);
    }
    makeDir(media / "live.mp3");
    touch(media / "live.mp3/inside.mp3");

    const auto list = scanFolder(media.path());
    const std::string root = fs::canonical(media.path()).string();
    EXPECT_EQ(sorted(list),
              sorted({root + "/song.mp3", root + "/notmp3", root + "/.mp3", root + "/mp3",
                      root + "/remp3", root + "/live.mp3", root + "/live.mp3/inside.mp3"}));
    EXPECT_EQ(list, expectedSongList(media.path()));
}

// A mixed collection is one walk: every kind in the order the file system
// lists it, MP3s among them by the same rule as ever.
TEST(MediaScanner, ListsEveryKindOfSongInOneWalk) {
    TempFolder media;
    for (const char* name : {"a.flac", "b.FLAC", "c.Ogg", "d.oga", "e.opus", "f.m4a", "g.AAC", "h.wav", "i.mp3",
                             "j.MP3", "flac", "cover.jpg", "k.flac.txt", "l.wma", ".ogg"}) {
        touch(media / name);
    }
    makeDir(media / "disc 2");
    touch(media / "disc 2/z.Opus");
    const auto list = scanFolder(media.path());
    const std::string root = fs::canonical(media.path()).string();
    std::vector<std::string> songs;
    for (const char* name : {"a.flac", "b.FLAC", "c.Ogg", "d.oga", "e.opus", "f.m4a", "g.AAC", "h.wav", "i.mp3",
                             "disc 2/z.Opus"}) {
        songs.push_back(root + "/" + name);
    }
    EXPECT_EQ(sorted(list), sorted(songs));
    EXPECT_EQ(list, expectedSongList(media.path()));
}

TEST(MediaScanner, ListsTheWalkDepthFirstInReverse) {
    TempFolder media;
    touch(media / "a.mp3");
    makeDir(media / "sub");
    touch(media / "sub/x.mp3");
    touch(media / "b.mp3");
    touch(media / "c.mp3");
    makeDir(media / "one");
    makeDir(media / "one/two");
    makeDir(media / "one/two/three");
    touch(media / "one/two/three/deep.mp3");
    makeDir(media / "empty");

    const auto list = scanFolder(media.path());
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list, expectedSongList(media.path()));
    const std::string root = fs::canonical(media.path()).string();
    EXPECT_NE(std::find(list.begin(), list.end(), root + "/one/two/three/deep.mp3"), list.end());

    // x.mp3 stands where its folder was met, between its neighbours.
    const auto at = [&](const std::string& name) {
        return std::find(list.begin(), list.end(), root + "/" + name) - list.begin();
    };
    std::vector<std::string> topLevel;
    DIR* dir = opendir(root.c_str());
    while (const dirent* entry = readdir(dir)) topLevel.push_back(entry->d_name);
    closedir(dir);
    const auto listed = [&](const std::string& name) {
        return std::find(topLevel.begin(), topLevel.end(), name) - topLevel.begin();
    };
    if (listed("a.mp3") < listed("sub") && listed("sub") < listed("b.mp3")) {
        EXPECT_GT(at("a.mp3"), at("sub/x.mp3"));
        EXPECT_GT(at("sub/x.mp3"), at("b.mp3"));
    }
}

TEST(MediaScanner, LinkLoopsEndAndEveryFileAppearsOnce) {
    TempFolder media;
    TempFolder elsewhere;
    touch(media / "top.mp3");
    makeDir(media / "sub");
    touch(media / "sub/inner.mp3");
    ASSERT_EQ(symlink(media.path().c_str(), (media / "sub/back-to-media").c_str()), 0);
    ASSERT_EQ(symlink("..", (media / "sub/parent").c_str()), 0);
    ASSERT_EQ(symlink(".", (media / "sub/itself").c_str()), 0);
    touch(elsewhere / "linked.mp3");
    ASSERT_EQ(symlink(elsewhere.path().c_str(), (media / "music").c_str()), 0);

    const auto list = scanFolder(media.path());
    const std::string root = fs::canonical(media.path()).string();
    EXPECT_EQ(sorted(list),
              sorted({root + "/top.mp3", root + "/sub/inner.mp3", root + "/music/linked.mp3"}));
}

// d0 ... d20, each with two links to the next: a walk that goes into a
// folder once per path would list the one song 2^20 times.
TEST(MediaScanner, WalksEachRealFolderOnce) {
    TempFolder media;
    for (int level = 20; level > 0; --level) makeDir(media / ("d" + std::to_string(level)));
    touch(media / "d20/song.mp3");
    for (int level = 0; level < 20; ++level) {
        const std::string from = level == 0 ? media.path() : media / ("d" + std::to_string(level));
        const std::string next = media / ("d" + std::to_string(level + 1));
        ASSERT_EQ(symlink(next.c_str(), (from + "/a").c_str()), 0);
        ASSERT_EQ(symlink(next.c_str(), (from + "/b").c_str()), 0);
    }
    EXPECT_EQ(scanFolder(media.path()).size(), 1u);
}

TEST(MediaScanner, SkipsFoldersItCannotReadAndGoesOn) {
    TempFolder media;
    touch(media / "a.mp3");
    makeDir(media / "locked");
    touch(media / "locked/hidden.mp3");
    touch(media / "z.mp3");
    ASSERT_TRUE(mp3::writeUnreadable(media / "private.mp3"));
    ASSERT_EQ(chmod((media / "locked").c_str(), 0), 0);

    const std::string root = fs::canonical(media.path()).string();
    EXPECT_EQ(sorted(scanWithoutPrivileges(media.path())),
              sorted({root + "/a.mp3", root + "/z.mp3", root + "/private.mp3"}));
}

TEST(MediaScanner, StoresLongPathsWhole) {
    TempFolder media;
    const std::string part(200, 'd');
    std::string relative;
    int fd = open(media.path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 25; ++level) {
        ASSERT_EQ(mkdirat(fd, part.c_str(), 0755), 0);
        const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        relative += "/" + part;
    }
    const int file = openat(fd, "far away.mp3", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(file, 0);
    close(file);
    close(fd);

    const auto list = scanFolder(media.path());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_GT(list[0].size(), 5000u);
    EXPECT_EQ(list[0], fs::canonical(media.path()).string() + relative + "/far away.mp3");
}

TEST(MediaScanner, KeepsNamesByteForByte) {
    TempFolder media;
    const std::string latin1 = "caf\xe9 \xff\xfe.mp3";  // not UTF-8
    const std::string utf8 = "Ünïcödé ♪.mp3";
    touch(media / latin1);
    touch(media / utf8);
    const std::string root = fs::canonical(media.path()).string();
    EXPECT_EQ(sorted(scanFolder(media.path())), sorted({root + "/" + latin1, root + "/" + utf8}));
}

TEST(MediaScanner, ListsOddEntriesWithoutOpeningThem) {
    TempFolder media;
    ASSERT_TRUE(mp3::makeFifo(media / "pipe.mp3"));  // opening it would block
    ASSERT_EQ(symlink("/nonexistent/target.mp3", (media / "dangling.mp3").c_str()), 0);
    const std::string root = fs::canonical(media.path()).string();
    EXPECT_EQ(sorted(scanFolder(media.path())),
              sorted({root + "/pipe.mp3", root + "/dangling.mp3"}));
}

TEST(MediaLibrary, ScansTheMediaFolderBesideTheProgramAndLeavesTheWorkingFolder) {
    TempFolder program;
    makeDir(program / "media");
    touch(program / "media/one.mp3");
    makeDir(program / "media/more");
    touch(program / "media/more/two.mp3");
    const auto workingFolder = fs::current_path();

    const std::string programDirectory = program.path() + "/";
    playback.songList.clear();
    playback.loadMediaLibrary(mediaFolder(programDirectory));
    EXPECT_EQ(playback.songList, expectedSongList(program / "media"));
    EXPECT_EQ(playback.songList.size(), 2u);
    EXPECT_EQ(fs::current_path(), workingFolder);
}

TEST(MediaLibrary, MissingOrEmptyMediaFolderGivesNoSongs) {
    TempFolder program;
    const std::string programDirectory = program.path() + "/";
    playback.songList.clear();
    testing::internal::CaptureStdout();
    playback.loadMediaLibrary(mediaFolder(programDirectory));
    EXPECT_TRUE(playback.songList.empty());

    makeDir(program / "media");
    makeDir(program / "media/nothing here");
    playback.loadMediaLibrary(mediaFolder(programDirectory));
    EXPECT_TRUE(playback.songList.empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// Songs dropped on the program play in the order given, a folder among them
// as its own scan would list it.
TEST(MediaLibrary, TakesSongsAndFoldersInTheOrderGiven) {
    TempFolder music;
    touch(music / "b.flac");
    touch(music / "a.mp3");
    makeDir(music / "album");
    touch(music / "album/one.mp3");
    touch(music / "album/two.opus");

    playback.songList.clear();
    playback.loadMediaLibrary(std::vector<std::string>{music / "b.flac", music / "album", music / "a.mp3"});
    std::vector<std::string> expected = {music / "b.flac"};
    for (const std::string& song : expectedSongList(music / "album")) expected.push_back(song);
    expected.push_back(music / "a.mp3");
    EXPECT_EQ(playback.songList, expected);
}
