// A cover picture becomes a file in the user's cache once, named by its
// bytes, in private folders, never seen half-written; no picture, or no
// place to write it, gives no path.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "media/cover_art_file.h"
#include "tools/mp3_maker.h"

namespace {
namespace fs = std::filesystem;

// The signatures the kinds begin with, and some bytes of picture after them.
CoverArt png(unsigned char fill) {
    CoverArt art{"image/png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}};
    art.bytes.resize(5000, fill);
    return art;
}
CoverArt jpeg() { return {"image/jpeg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 4, 5}}; }

std::vector<unsigned char> contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CoverArtFile : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CACHE_HOME", (cache / "cache").c_str(), 1); }
    mp3::TempFolder cache;
};
}  // namespace

TEST_F(CoverArtFile, IsWrittenOnceUnderItsHashInPrivateFolders) {
    const CoverArt art = png(7);
    const std::string path = coverArtFile(art);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(cache / "cache/viz/art"));
    EXPECT_EQ(fs::path(path).extension(), ".png");
    EXPECT_EQ(fs::path(path).stem().string().size(), 16u);
    EXPECT_EQ(contents(path), art.bytes);
    for (const char* folder : {"cache", "cache/viz", "cache/viz/art"}) {
        struct stat status {};
        ASSERT_EQ(stat((cache / folder).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0700u) << folder;
    }

    // The same picture (another song of the album) is not written again.
    struct stat first {};
    ASSERT_EQ(stat(path.c_str(), &first), 0);
    EXPECT_EQ(coverArtFile(art), path);
    struct stat second {};
    ASSERT_EQ(stat(path.c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);

    // Other bytes, another file; the kind by the bytes, not the label.
    const std::string other = coverArtFile(png(8));
    EXPECT_NE(other, path);
    CoverArt mislabelled = jpeg();
    mislabelled.mimeType = "image/png";
    EXPECT_EQ(fs::path(coverArtFile(mislabelled)).extension(), ".jpg");
    // Nothing half-written is left beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(cache / "cache/viz/art"), fs::directory_iterator()), 3);
}

TEST_F(CoverArtFile, NoPictureOrNoPlaceGivesNoPath) {
    EXPECT_EQ(coverArtFile({}), "");
    EXPECT_EQ(coverArtFile({"image/gif", {'G', 'I', 'F', '8', '9', 'a', 0, 0}}), "");
    // The cache is a file, not a folder.
    std::ofstream(cache / "cache") << "in the way";
    EXPECT_EQ(coverArtFile(png(1)), "");
}

TEST_F(CoverArtFile, WithoutXdgCacheHomeGoesToTheHomesCache) {
    unsetenv("XDG_CACHE_HOME");
    setenv("HOME", (cache / "home").c_str(), 1);
    EXPECT_EQ(coverArtFile(jpeg()).rfind(cache / "home/.cache/viz/art/", 0), 0u);
    // A relative XDG_CACHE_HOME is to be ignored.
    setenv("XDG_CACHE_HOME", "relative", 1);
    EXPECT_EQ(coverArtFile(png(2)).rfind(cache / "home/.cache/viz/art/", 0), 0u);
}
