#include "platform/SpecialFolder.h"

#include "platform/CodePage.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace vexmora::platform {
namespace {

class SpecialFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = dir.path().string();
        environment.Set("HOME", home);
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"})
            environment.Unset(name);
    }

    test::TempDir dir;
    test::ScopedEnvironment environment;
    std::string home;
};

TEST_F(SpecialFolderTest, KindsMapToTheirXdgFoldersWithOneTrailingSlash) {
    environment.Set("XDG_DATA_HOME", home + "/data");
    environment.Set("XDG_CONFIG_HOME", home + "/config/");
    environment.Set("XDG_CACHE_HOME", home + "/cache//");
    environment.Set("TMPDIR", home + "/tmp/");
    const struct {
        int kind;
        std::string folder;
    } cases[] = {
        {1, home + "/Documents/"},
        {3, home + "/Desktop/"},
        {4, home + "/data/fonts/"},
        {5, home + "/data/applications/"},
        {6, home + "/data/applications/"},
        {7, home + "/config/autostart/"},
        {8, home + "/data/"},
        {9, home + "/data/backgrounds/"},
        {10, "/usr/lib/"},
        {11, home + "/tmp/"},
        {12, home + "/cache/"},
        {2, ""},
        {13, ""},
        {-1, ""},
    };
    for (const auto& [kind, folder] : cases) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(SpecialFolderPath(kind), folder);
    }
}

TEST_F(SpecialFolderTest, KindZeroIsTheDesktopNamedInUserDirs) {
    std::filesystem::create_directories(home + "/.config");
    std::ofstream(home + "/.config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                    << "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
                                                    << "XDG_DOCUMENTS_DIR=\"/srv/papers/\"\n";
    EXPECT_EQ(SpecialFolderPath(0), Utf8ToGbkBytes(home + "/桌面/"));
    EXPECT_EQ(SpecialFolderPath(0), SpecialFolderPath(3));
    EXPECT_EQ(SpecialFolderPath(1), "/srv/papers/");
}

TEST_F(SpecialFolderTest, TheBackgroundsFolderIsCreatedWhenMissing) {
    EXPECT_FALSE(std::filesystem::exists(home + "/.local/share/backgrounds"));
    EXPECT_EQ(SpecialFolderPath(9), home + "/.local/share/backgrounds/");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/.local/share/backgrounds"));

    // A relative XDG_DATA_HOME is not a valid one and is ignored.
    environment.Set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(SpecialFolderPath(9), home + "/.local/share/backgrounds/");
}

TEST_F(SpecialFolderTest, TheTemporaryFolderIsTmpWithoutTmpdir) {
    EXPECT_EQ(SpecialFolderPath(11), "/tmp/");
    environment.Set("TMPDIR", "/");
    EXPECT_EQ(SpecialFolderPath(11), "/");
}

TEST_F(SpecialFolderTest, AFolderThatCannotBeMadeGivesTheEmptyText) {
    std::ofstream(home + "/blocker") << "a file where the folder should be";
    environment.Set("XDG_DATA_HOME", home + "/blocker");
    EXPECT_EQ(SpecialFolderPath(9), "");
}

} // namespace
} // namespace vexmora::platform
