#include <gtest/gtest.h>

#include <string>

#include "app/startup.h"

namespace {
struct Case {
    std::string argv0;
    std::string directory;  // the program's folder expected
    std::string argv0After;
};

void PrintTo(const Case& c, std::ostream* out) { *out << '"' << c.argv0 << '"'; }

class ProgramDirectory : public ::testing::TestWithParam<Case> {};
}  // namespace

TEST_P(ProgramDirectory, IsCutAfterTheLastSlash) {
    const Case& c = GetParam();
    std::string buffer = c.argv0;
    EXPECT_EQ(takeProgramDirectory(buffer.data()), c.directory);
    EXPECT_STREQ(buffer.c_str(), c.argv0After.c_str()) << "argv[0] is cut in place";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ProgramDirectory,
    ::testing::Values(Case{"/opt/viz/viz", "/opt/viz/", "/opt/viz/"},
                      Case{"./build/viz", "./build/", "./build/"},
                      Case{"viz", "", "viz"},
                      Case{"", "", ""},
                      Case{"/viz", "/", "/"},
                      Case{"a/b/", "a/b/", "a/b/"},
                      // A backslash is part of a name on this platform.
                      Case{"C:\\app\\viz.exe", "", "C:\\app\\viz.exe"},
                      Case{"my dir/sub.d/viz", "my dir/sub.d/", "my dir/sub.d/"}));

TEST(ProgramDirectoryNull, NullArgumentLeavesItEmpty) {
    EXPECT_TRUE(takeProgramDirectory(nullptr).empty());
}
