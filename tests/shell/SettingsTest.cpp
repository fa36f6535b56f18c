#include "shell/Settings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "platform/FileSystem.h"
#include "shell/WindowModel.h"
#include "tests/support/TempDir.h"

namespace vexmora {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

TEST(SettingsTexts, KeysAndFlagsAreTheirGbkBytes) {
    EXPECT_EQ(SettingsSection(), "\xC9\xE8\xD6\xC3");
    EXPECT_EQ(KeyText(SettingKey::SetWallpaper), "\xC9\xE8\xD6\xC3\xB1\xDA\xD6\xBD");
    EXPECT_EQ(KeyText(SettingKey::IgnoredVersion), "忽略版本");
    EXPECT_EQ(FlagText(true), "\xD5\xE6");
    EXPECT_EQ(FlagText(false), "\xBC\xD9");
    EXPECT_EQ(IndexText(3), "3");
    EXPECT_EQ(IndexText(-1), "-1");
}

TEST(SettingsTexts, OnlyTheYesTextReadsAsYes) {
    EXPECT_TRUE(ReadFlag("真"));
    for (const char* text : {"1", "true", "", "假", "真 ", " 真", "TRUE"}) {
        EXPECT_FALSE(ReadFlag(text)) << text;
    }
}

TEST(SettingsTexts, IndexesReadAsAtoiAfterFullWidthForms) {
    struct Case {
        const char* text;
        int expected;
    };
    for (const Case& c : {Case{"2", 2}, Case{" 2", 2}, Case{"2x", 2}, Case{"abc", 0}, Case{"", 0},
                          Case{"２", 2}, Case{"　２", 2}, Case{"－２", -2}, Case{"-2", -2},
                          Case{"+3", 3}, Case{"7", 7}, Case{"x2", 0}}) {
        EXPECT_EQ(ReadIndex(c.text), c.expected) << c.text;
    }
}

class SettingsStoreTest : public testing::Test {
protected:
    std::filesystem::path file() const { return dir.path() / "vxmr.ini"; }
    SettingsStore store() const { return SettingsStore(dir.path().string() + "/vxmr.ini"); }
    test::TempDir dir;
};

TEST_F(SettingsStoreTest, MissingFileOrKeyGivesTheDefault) {
    EXPECT_EQ(store().ReadSetting(SettingKey::Size, "0"), "0");
    WriteFile(file(), "[设置]\r\n图片来源=1\r\n");
    EXPECT_EQ(store().ReadSetting(SettingKey::Size, "假"), "假");
    EXPECT_EQ(store().ReadSetting(SettingKey::Source, "0"), "1");
}

TEST_F(SettingsStoreTest, LongValuesAreCutTo10239Bytes) {
    WriteFile(file(), "[设置]\r\n忽略版本=" + std::string(20000, 'v') + "\r\n");
    EXPECT_EQ(store().ReadSetting(SettingKey::IgnoredVersion, ""), std::string(10239, 'v'));
    EXPECT_EQ(store().ReadSetting("absent", std::string(10240, 'd')), std::string(10239, 'd'));
}

TEST_F(SettingsStoreTest, FirstWriteCreatesTheSectionAndTheKeyLine) {
    ASSERT_TRUE(store().WriteSetting(SettingKey::SetWallpaper, FlagText(true)));
    EXPECT_EQ(ReadFile(file()),
              "[\xC9\xE8\xD6\xC3]\r\n\xC9\xE8\xD6\xC3\xB1\xDA\xD6\xBD=\xD5\xE6\r\n");
}

TEST_F(SettingsStoreTest, WritesLeaveOtherLinesAndSectionsUntouched) {
    WriteFile(file(), "; kept as it is\n[其他]\nkey = some value \n\n[设置]\n图片大小=1\n"
                      "unknown=x\n\n[最后]\nz=9");
    ASSERT_TRUE(store().WriteSetting(SettingKey::Size, "3"));
    ASSERT_TRUE(store().WriteSetting(SettingKey::Interval, "2"));
    EXPECT_EQ(ReadFile(file()), "; kept as it is\n[其他]\nkey = some value \n\n[设置]\n图片大小=3\n"
                                "unknown=x\n刷新间隔=2\n\n[最后]\nz=9");
}

TEST_F(SettingsStoreTest, WriteIntoAMissingFolderFailsWithoutCreatingIt) {
    SettingsStore nowhere(dir.path().string() + "/data/vxmr.ini");
    EXPECT_FALSE(nowhere.WriteSetting(SettingKey::Size, "1"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data"));
}

TEST_F(SettingsStoreTest, AnUnreadableSettingsFileIsNeverReplaced) {
    // Something that exists under the file's name but cannot be read as a file.
    std::filesystem::create_directory(file());
    std::filesystem::path inside = file() / "keep";
    WriteFile(inside, "x");
    EXPECT_FALSE(store().WriteSetting(SettingKey::Size, "1"));
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    EXPECT_EQ(ReadFile(inside), "x");
}

TEST_F(SettingsStoreTest, WritesLeaveNoTemporaryFileBehind) {
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(store().WriteSetting(SettingKey::Size, IndexText(i)));
    }
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST_F(SettingsStoreTest, SaveAllSettingsWritesTheNineOptionsInOrder) {
    WriteFile(file(), "[设置]\r\n当前日期=11\r\n图片大小=0\r\n");
    WindowModel model;
    model.SetChecked(CheckBoxId::SetWallpaper, true);
    model.SetChecked(CheckBoxId::SwitchOnFailure, true);
    model.SelectIndex(ListId::Position, 2);
    model.SelectIndex(ListId::Size, 3);
    model.SelectIndex(ListId::Source, -5);
    model.SelectIndex(ListId::Quality, 1);
    model.SelectIndex(ListId::Interval, 1);
    ASSERT_TRUE(SaveAllSettings(store(), model));
    EXPECT_EQ(ReadFile(file()),
              "[设置]\r\n当前日期=11\r\n图片大小=3\r\n设置壁纸=真\r\n开机启动=假\r\n"
              "后台运行=假\r\n失败切换=真\r\n图片位置=2\r\n图片来源=-1\r\n"
              "图片画质=1\r\n刷新间隔=1\r\n");
}

TEST_F(SettingsStoreTest, SaveThenLoadGivesTheSameOptions) {
    WindowModel saved;
    saved.SetChecked(CheckBoxId::StartWithSystem, true);
    saved.SetChecked(CheckBoxId::RunInBackground, true);
    saved.SelectIndex(ListId::Position, 3);
    saved.SelectIndex(ListId::Source, 1);
    saved.SelectIndex(ListId::Interval, 3);
    ASSERT_TRUE(SaveAllSettings(store(), saved));
    WindowModel loaded;
    LoadSettingsIntoControls(store(), loaded);
    EXPECT_EQ(CurrentOptions(loaded), CurrentOptions(saved));
}

TEST_F(SettingsStoreTest, LoadingKeepsTheControlsStateForMissingKeysAndRunsNoWrite) {
    WindowModel model;
    model.SetChecked(CheckBoxId::SwitchOnFailure, true);
    model.SelectIndex(ListId::Quality, 1);
    LoadSettingsIntoControls(store(), model);
    EXPECT_TRUE(model.IsChecked(CheckBoxId::SwitchOnFailure));
    EXPECT_EQ(model.SelectedIndex(ListId::Quality), 1);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

} // namespace
} // namespace vexmora
