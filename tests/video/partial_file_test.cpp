#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tools/mp3_maker.h"
#include "video/partial_file.h"

// A finished video has the permissions the user's mask gives any new file,
// not the owner-only ones of a temporary file.
TEST(PartialFile, TheFinishedFileTakesTheUsersMask) {
    mp3::TempFolder folder;
    const mode_t userMask = umask(0);
    for (const auto& [mask, mode] : {std::pair<mode_t, mode_t>{022, 0644}, {027, 0640}, {002, 0664}, {0, 0666}}) {
        umask(mask);
        const std::string target = folder / ("video-" + std::to_string(mask) + ".mkv");
        PartialFile partial;
        ASSERT_EQ(partial.create(target).message(), "");
        ASSERT_EQ(partial.commit().message(), "");
        struct stat info {};
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode) << "mask " << std::oct << mask;
    }
    umask(userMask);
}
