#pragma once

#include <array>
#include <cstddef>

// Names for the parts of the main window and its tray menu. The window layer maps each to a
// widget (see WindowLayout.h for the object names, texts and positions).
namespace vexmora {

// Every visible control of the main window. The timer has no visible part and is not here.
enum class ControlId {
    PictureBox,    // 图片框1
    LogPane,       // 编辑框1
    SettingsGroup, // 分组框1
    RefreshButton, // 按钮1
    UpdateButton,  // 按钮2
    WallpaperBox,  // 选择框1
    AutostartBox,  // 选择框2
    BackgroundBox, // 选择框3
    SwitchBox,     // 选择框4
    IntervalLabel, // 标签5
    IntervalList,  // 组合框5
    SourceLabel,   // 标签3
    SourceList,    // 组合框3
    QualityLabel,  // 标签4
    QualityList,   // 组合框4
    PositionLabel, // 标签1
    PositionList,  // 组合框1
    SizeLabel,     // 标签2
    SizeList,      // 组合框2
};
inline constexpr std::size_t kControlCount = 19;

// The four check boxes, one per flag of the settings.
enum class CheckBoxId {
    SetWallpaper,    // 选择框1
    StartWithSystem, // 选择框2
    RunInBackground, // 选择框3
    SwitchOnFailure, // 选择框4
};
inline constexpr std::size_t kCheckBoxCount = 4;

// The five drop-down lists, one per index of the settings.
enum class ListId {
    Position, // 组合框1
    Size,     // 组合框2
    Source,   // 组合框3
    Quality,  // 组合框4
    Interval, // 组合框5
};
inline constexpr std::size_t kListCount = 5;

// Every item of the tray menu that can be chosen, top to bottom (submenu items in their
// submenu's order). Separators and the submenus themselves are not items.
enum class MenuItemId {
    ShowWindow,      // &显示主界面
    RefreshNow,      // 获取地球图片
    SetWallpaper,    // 设置壁纸
    StartWithSystem, // 开机启动
    RunInBackground, // 后台运行
    IntervalNone,    // 刷新间隔 / 不自动刷新
    IntervalTen,     // 刷新间隔 / 十分钟
    IntervalTwenty,  // 刷新间隔 / 二十分钟
    IntervalThirty,  // 刷新间隔 / 三十分钟
    SourceFengYun,   // 图片来源 / 风云4号(中国)
    SourceHimawari,  // 图片来源 / 向日葵8号(日本)
    QualityFast,     // 图片画质 / 流畅
    QualityHd,       // 图片画质 / 高清
    PositionCentre,  // 图片位置 / 居中
    PositionTile,    // 图片位置 / 平铺
    PositionStretch, // 图片位置 / 拉伸
    PositionSystem,  // 图片位置 / 使用系统设置
    Size640,         // 图片大小 / 尺寸640x480
    Size800,         // 图片大小 / 尺寸800x600
    Size1024,        // 图片大小 / 尺寸1024x768
    Size1280,        // 图片大小 / 尺寸1200x960
    SwitchOnFailure, // 自动换源
    Exit,            // 退出
};
inline constexpr std::size_t kMenuItemCount = 23;

constexpr std::size_t IndexOf(ControlId id) {
    return static_cast<std::size_t>(id);
}
constexpr std::size_t IndexOf(CheckBoxId id) {
    return static_cast<std::size_t>(id);
}
constexpr std::size_t IndexOf(ListId id) {
    return static_cast<std::size_t>(id);
}
constexpr std::size_t IndexOf(MenuItemId id) {
    return static_cast<std::size_t>(id);
}

inline constexpr std::array<CheckBoxId, kCheckBoxCount> kAllCheckBoxes = {
    CheckBoxId::SetWallpaper, CheckBoxId::StartWithSystem, CheckBoxId::RunInBackground,
    CheckBoxId::SwitchOnFailure};

inline constexpr std::array<ListId, kListCount> kAllLists = {
    ListId::Position, ListId::Size, ListId::Source, ListId::Quality, ListId::Interval};

// The control that shows a check box or a list.
constexpr ControlId ControlOf(CheckBoxId id) {
    constexpr std::array<ControlId, kCheckBoxCount> controls = {
        ControlId::WallpaperBox, ControlId::AutostartBox, ControlId::BackgroundBox,
        ControlId::SwitchBox};
    return controls[IndexOf(id)];
}

constexpr ControlId ControlOf(ListId id) {
    constexpr std::array<ControlId, kListCount> controls = {
        ControlId::PositionList, ControlId::SizeList, ControlId::SourceList, ControlId::QualityList,
        ControlId::IntervalList};
    return controls[IndexOf(id)];
}

// The number of items of each list: position 4, size 4, source 2, quality 2, interval 4.
constexpr int ItemCount(ListId id) {
    constexpr std::array<int, kListCount> counts = {4, 4, 2, 2, 4};
    return counts[IndexOf(id)];
}

// The tray menu's check item that stands for the same flag as the check box.
constexpr MenuItemId MenuItemOf(CheckBoxId id) {
    constexpr std::array<MenuItemId, kCheckBoxCount> items = {
        MenuItemId::SetWallpaper, MenuItemId::StartWithSystem, MenuItemId::RunInBackground,
        MenuItemId::SwitchOnFailure};
    return items[IndexOf(id)];
}

// The first tray item of a list's submenu; item n of the list is this plus n.
constexpr MenuItemId FirstMenuItemOf(ListId id) {
    constexpr std::array<MenuItemId, kListCount> items = {
        MenuItemId::PositionCentre, MenuItemId::Size640, MenuItemId::SourceFengYun,
        MenuItemId::QualityFast, MenuItemId::IntervalNone};
    return items[IndexOf(id)];
}

// The tray item for item `index` (0-based) of the list; `index` must be within the list.
constexpr MenuItemId MenuItemOf(ListId id, int index) {
    return static_cast<MenuItemId>(IndexOf(FirstMenuItemOf(id)) + static_cast<std::size_t>(index));
}

} // namespace vexmora
