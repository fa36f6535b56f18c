#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <variant>

#include "net/Text.h"
#include "shell/WindowIds.h"

// The settings store: section "设置" of the settings file, eleven keys, read and written one
// key at a time with no cache. Flags are stored as "真" or "假", list choices as their index.
namespace vexmora {

class WindowModel;

enum class SettingKey {
    SetWallpaper,    // 设置壁纸
    StartWithSystem, // 开机启动
    RunInBackground, // 后台运行
    SwitchOnFailure, // 失败切换
    Position,        // 图片位置
    Size,            // 图片大小
    Source,          // 图片来源
    Quality,         // 图片画质
    Interval,        // 刷新间隔
    LastCheckDay,    // 当前日期
    IgnoredVersion,  // 忽略版本
};

// The GBK text of the section and of each key.
const Text& SettingsSection();
const Text& KeyText(SettingKey key);

// The nine options in the order they are read at start-up and written by SaveAllSettings,
// each with the control that shows it.
struct OptionKey {
    SettingKey key;
    std::variant<CheckBoxId, ListId> control;
};
const std::array<OptionKey, 9>& OptionKeys();

// "真" for yes, "假" for no.
const Text& FlagText(bool yes);
// Decimal digits, "-" first when negative, no leading zeros.
Text IndexText(int index);
// Yes exactly when the text is "真", byte for byte.
bool ReadFlag(std::string_view text);
// Full-width digits, signs and spaces count as their ASCII forms; then as atoi (0 when there
// are no digits). The list the number is given to limits it (WindowModel::SelectIndex).
int ReadIndex(std::string_view text);

// The eleven persisted values.
struct Settings {
    bool setWallpaper = false;
    bool startWithSystem = false;
    bool runInBackground = false;
    bool switchOnFailure = false;
    int position = 0;
    int size = 0;
    int source = 0;
    int quality = 0;
    int interval = 0;
    Text lastCheckDay;
    Text ignoredVersion;
    friend bool operator==(const Settings&, const Settings&) = default;
};

// The nine options as the controls hold them now (the two text keys stay empty).
Settings CurrentOptions(const WindowModel& model);

// Reads and writes section "设置" of one settings file. Every call reads the file afresh;
// every write replaces the file atomically, so it never ends up half-written or empty.
class SettingsStore {
public:
    // A read returns at most this many bytes (one less than the profile functions' buffer).
    static constexpr std::size_t kMaxValueLength = 10239;

    explicit SettingsStore(Text settingsFile) : file_(std::move(settingsFile)) {}

    const Text& File() const { return file_; }

    // The key's value, or `defaultText` when the file or the key is missing; cut to
    // kMaxValueLength bytes.
    Text ReadSetting(std::string_view key, std::string_view defaultText) const;
    Text ReadSetting(SettingKey key, std::string_view defaultText) const;

    // Writes key=text into the section, creating the file and the section when missing and
    // leaving every other line as it was. False when the file could not be written, or when it
    // exists but cannot be read (then it is left alone rather than replaced by one key).
    bool WriteSetting(std::string_view key, std::string_view text) const;
    bool WriteSetting(SettingKey key, std::string_view text) const;

private:
    Text file_;
};

// Start-up: reads the nine options in order into the controls, each with the text form of the
// control's current state as its default. Runs no handler.
void LoadSettingsIntoControls(const SettingsStore& store, WindowModel& model);

// Writes the nine options from the controls' current state, in the order of OptionKeys().
// True when every write succeeded.
bool SaveAllSettings(const SettingsStore& store, const WindowModel& model);

} // namespace vexmora
