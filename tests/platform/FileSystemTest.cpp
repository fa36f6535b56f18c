#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vexmora::platform {
namespace {

namespace fs = std::filesystem;

// "桌面背景图片.bmp" in GBK, as the core hands file names over.
const Text kGbkName = "\xD7\xC0\xC3\xE6\xB1\xB3\xBE\xB0\xCD\xBC\xC6\xAC.bmp";

Text GbkPath(const test::TempDir& dir, const Text& name) {
    return Utf8ToGbkBytes(dir.path().string()) + "/" + name;
}

TEST(CodePage, GbkAndUtf8RoundTrip) {
    EXPECT_EQ(GbkToUtf8(kGbkName), "桌面背景图片.bmp");
    EXPECT_EQ(Utf8ToGbkBytes("桌面背景图片.bmp"), kGbkName);
    EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(CodePage, BadBytesDoNotStopTheConversion) {
    // A lone lead byte at the end and an invalid UTF-8 byte in the middle.
    EXPECT_EQ(GbkToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToGbkBytes("a\xFF" "b"), "a?b");
    EXPECT_EQ(Utf8ToGbkBytes("a\xF0\x9F\x98\x80" "b"), "a?b"); // an emoji GBK lacks
    EXPECT_EQ(Utf8ToGbkBytes(std::string_view("ab\0cd", 5)), "ab");
}

TEST(FileSystem, GbkNamesBecomeUtf8NamesOnDisk) {
    test::TempDir dir;
    const Text path = GbkPath(dir, kGbkName);
    ASSERT_TRUE(WriteWholeFile(path, Text("BM")));
    EXPECT_TRUE(fs::exists(dir.path() / "桌面背景图片.bmp"));
    EXPECT_TRUE(FileExists(path));
    auto content = ReadWholeFile(path);
    ASSERT_TRUE(content.has_value());
    EXPECT_EQ(TextFromBytes(*content), "BM");
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(ReadWholeFile(path).has_value());
}

TEST(FileSystem, WriteReplacesWholeFileAndLeavesNoTemporary) {
    test::TempDir dir;
    const Text path = GbkPath(dir, "vxmr.ini");
    ASSERT_TRUE(WriteWholeFile(path, Text(10000, 'x')));
    ASSERT_TRUE(WriteWholeFile(path, Text("short")));
    EXPECT_EQ(TextFromBytes(*ReadWholeFile(path)), "short");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    struct stat info {};
    ASSERT_EQ(::stat(NativePath(path).c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRGRP, 0u) << "written files keep ordinary permissions";
}

TEST(FileSystem, FailedWriteKeepsTheOldContent) {
    test::TempDir dir;
    const Text path = GbkPath(dir, "missing-folder/vxmr.ini");
    EXPECT_FALSE(WriteWholeFile(path, Text("x")));
    const Text existing = GbkPath(dir, "keep.ini");
    ASSERT_TRUE(WriteWholeFile(existing, Text("old")));
    // A folder where the file should be cannot be replaced; nothing is lost or left behind.
    fs::create_directory(dir.path() / "adir");
    EXPECT_FALSE(WriteWholeFile(GbkPath(dir, "adir"), Text("new")));
    EXPECT_EQ(TextFromBytes(*ReadWholeFile(existing)), "old");
    EXPECT_FALSE(ReadWholeFile(GbkPath(dir, "adir")).has_value());
}

TEST(FileSystem, MakeDirectoriesCreatesParents) {
    test::TempDir dir;
    const Text nested = GbkPath(dir, "a/b/data/");
    EXPECT_FALSE(IsDirectory(nested));
    EXPECT_TRUE(MakeDirectories(nested));
    EXPECT_TRUE(IsDirectory(nested));
    EXPECT_TRUE(MakeDirectories(nested)) << "an existing folder is fine";
    ASSERT_TRUE(WriteWholeFile(GbkPath(dir, "file"), Text("x")));
    EXPECT_FALSE(MakeDirectories(GbkPath(dir, "file/sub")));
}

TEST(FileSystem, ExecutableAndTempFolders) {
    const Text exe = ExecutableDirectory();
    ASSERT_FALSE(exe.empty());
    EXPECT_NE(exe.back(), '/');
    EXPECT_TRUE(IsDirectory(exe));
    EXPECT_TRUE(fs::exists(fs::path(NativePath(exe)) / "platform_tests"));
    const Text temp = TempDirectory();
    ASSERT_GE(temp.size(), 2u);
    EXPECT_EQ(temp.back(), '/');
    EXPECT_NE(temp[temp.size() - 2], '/');
}

} // namespace
} // namespace vexmora::platform
