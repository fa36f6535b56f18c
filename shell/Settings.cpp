#include "shell/Settings.h"

#include <string>

#include "net/TextHelpers.h"
#include "platform/FileSystem.h"
#include "shell/ProfileText.h"
#include "shell/WindowModel.h"

namespace vexmora {

const Text& SettingsSection() {
    static const Text section = "设置";
    return section;
}

const Text& KeyText(SettingKey key) {
    static const std::array<Text, 11> keys = {"设置壁纸", "开机启动", "后台运行", "失败切换",
                                              "图片位置", "图片大小", "图片来源", "图片画质",
                                              "刷新间隔", "当前日期", "忽略版本"};
    return keys[static_cast<std::size_t>(key)];
}

const std::array<OptionKey, 9>& OptionKeys() {
    static const std::array<OptionKey, 9> options = {{
        {SettingKey::SetWallpaper, CheckBoxId::SetWallpaper},
        {SettingKey::StartWithSystem, CheckBoxId::StartWithSystem},
        {SettingKey::RunInBackground, CheckBoxId::RunInBackground},
        {SettingKey::SwitchOnFailure, CheckBoxId::SwitchOnFailure},
        {SettingKey::Position, ListId::Position},
        {SettingKey::Size, ListId::Size},
        {SettingKey::Source, ListId::Source},
        {SettingKey::Quality, ListId::Quality},
        {SettingKey::Interval, ListId::Interval},
    }};
    return options;
}

const Text& FlagText(bool yes) {
    static const Text yesText = "真";
    static const Text noText = "假";
    return yes ? yesText : noText;
}

Text IndexText(int index) {
    return std::to_string(index);
}

bool ReadFlag(std::string_view text) {
    return text == FlagText(true);
}

int ReadIndex(std::string_view text) {
    return ToInteger(text);
}

Settings CurrentOptions(const WindowModel& model) {
    Settings settings;
    settings.setWallpaper = model.IsChecked(CheckBoxId::SetWallpaper);
    settings.startWithSystem = model.IsChecked(CheckBoxId::StartWithSystem);
    settings.runInBackground = model.IsChecked(CheckBoxId::RunInBackground);
    settings.switchOnFailure = model.IsChecked(CheckBoxId::SwitchOnFailure);
    settings.position = model.SelectedIndex(ListId::Position);
    settings.size = model.SelectedIndex(ListId::Size);
    settings.source = model.SelectedIndex(ListId::Source);
    settings.quality = model.SelectedIndex(ListId::Quality);
    settings.interval = model.SelectedIndex(ListId::Interval);
    return settings;
}

Text SettingsStore::ReadSetting(std::string_view key, std::string_view defaultText) const {
    Text value(defaultText);
    if (std::optional<Bytes> content = platform::ReadWholeFile(file_)) {
        std::string_view text(reinterpret_cast<const char*>(content->data()), content->size());
        if (std::optional<Text> stored = ReadProfileString(text, SettingsSection(), key)) {
            value = std::move(*stored);
        }
    }
    if (value.size() > kMaxValueLength) {
        value.resize(kMaxValueLength);
    }
    return value;
}

Text SettingsStore::ReadSetting(SettingKey key, std::string_view defaultText) const {
    return ReadSetting(KeyText(key), defaultText);
}

bool SettingsStore::WriteSetting(std::string_view key, std::string_view text) const {
    std::optional<Bytes> content = platform::ReadWholeFile(file_);
    if (!content && platform::FileExists(file_)) {
        return false;
    }
    Text old = content ? TextFromBytes(*content) : Text();
    return platform::WriteWholeFile(file_, WriteProfileString(old, SettingsSection(), key, text));
}

bool SettingsStore::WriteSetting(SettingKey key, std::string_view text) const {
    return WriteSetting(KeyText(key), text);
}

void LoadSettingsIntoControls(const SettingsStore& store, WindowModel& model) {
    for (const OptionKey& option : OptionKeys()) {
        if (const CheckBoxId* box = std::get_if<CheckBoxId>(&option.control)) {
            Text text = store.ReadSetting(option.key, FlagText(model.IsChecked(*box)));
            model.SetChecked(*box, ReadFlag(text));
        } else {
            ListId list = std::get<ListId>(option.control);
            Text text = store.ReadSetting(option.key, IndexText(model.SelectedIndex(list)));
            model.SelectIndex(list, ReadIndex(text));
        }
    }
}

bool SaveAllSettings(const SettingsStore& store, const WindowModel& model) {
    bool allWritten = true;
    for (const OptionKey& option : OptionKeys()) {
        Text text;
        if (const CheckBoxId* box = std::get_if<CheckBoxId>(&option.control)) {
            text = FlagText(model.IsChecked(*box));
        } else {
            text = IndexText(model.SelectedIndex(std::get<ListId>(option.control)));
        }
        allWritten = store.WriteSetting(option.key, text) && allWritten;
    }
    return allWritten;
}

} // namespace vexmora
